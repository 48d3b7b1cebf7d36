#include "upgrade/CurlEasy.h"

#include <mutex>

namespace zvp {

CurlEasy::CurlEasy() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    handle_ = curl_easy_init();
}

}  // namespace zvp
