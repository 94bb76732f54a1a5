#include "RunCookies.h"

#include <curl/curl.h>

// All transfers run on one thread, so the share needs no locks. A share
// that libcurl cannot set up is none: requests refuse to start without it.
RunCookies::RunCookies()
    : share_(curl_share_init()) {
    if (share_ && curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) != CURLSHE_OK) {
        curl_share_cleanup(share_);
        share_ = nullptr;
    }
}

RunCookies::~RunCookies() {
    curl_share_cleanup(share_);
}
