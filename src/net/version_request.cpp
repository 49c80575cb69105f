#include "net/version_request.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "net/http_post.h"

namespace update {

std::string BuildVersionCheckBody(int clientTypeId) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  writer.StartObject();
  writer.Key("client_type_id");
  writer.Int(clientTypeId);
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

int RequestClientVersion(const std::string& baseUrl, std::string& answer, int clientTypeId,
                         const std::atomic<bool>* cancel, TransferResult* result) {
  internal::TransferLimits limits;
  limits.cancel = cancel;
  limits.result = result;
  return internal::HttpPostJsonWithLimits(1, answer, baseUrl + "/api/v1/version/client/check",
                                          BuildVersionCheckBody(clientTypeId), limits);
}

}  // namespace update
