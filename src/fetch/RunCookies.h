#pragma once

typedef void CURLSH; // as libcurl declares it

// The cookies of one run's page fetches, in memory only: every request given
// the same jar sends back what the others were told to keep, and nothing is
// ever written to disk. Requests hold the jar while they use it; the cookies
// go with the last of them.
class RunCookies {
public:
    RunCookies();
    ~RunCookies();
    RunCookies(const RunCookies&) = delete;
    RunCookies& operator=(const RunCookies&) = delete;

    // Null when libcurl could not set the jar up.
    CURLSH* share() const { return share_; }

private:
    CURLSH* share_ = nullptr;
};
