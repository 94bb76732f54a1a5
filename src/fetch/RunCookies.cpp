#include "RunCookies.h"

#include <curl/curl.h>

// All transfers run on one thread, so the share needs no locks.
RunCookies::RunCookies()
    : share_(curl_share_init()) {
    if (share_)
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

RunCookies::~RunCookies() {
    curl_share_cleanup(share_);
}
