// Off Windows there are no system proxy settings to follow: every request goes direct.
#include "net/system_proxy.h"

namespace update {

std::string SystemProxyFor(const std::string&) {
  return {};
}

}  // namespace update
