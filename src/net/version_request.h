// The client version check request sent to the vendor's API server.
#pragma once

#include <atomic>
#include <string>

#include "net/http_post.h"

namespace update {

// The request body: the compact JSON object {"client_type_id":N}.
std::string BuildVersionCheckBody(int clientTypeId);

// Posts the version check for `clientTypeId` to `baseUrl` followed by
// "/api/v1/version/client/check". Result and `answer` as for HttpPostJson.
// With `cancel`, its being set ends the request at once, as a failure.
// With `result`, how the transfer ended goes there.
int RequestClientVersion(const std::string& baseUrl, std::string& answer, int clientTypeId,
                         const std::atomic<bool>* cancel = nullptr,
                         TransferResult* result = nullptr);

}  // namespace update
