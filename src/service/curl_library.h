#pragma once
// libcurl, loaded the first time a page is fetched instead of when the program starts: it brings
// some forty libraries with it (TLS, Kerberos, LDAP and more), about 6 ms of every start of the
// command line, and most runs never reach the service.

#include <curl/curl.h>

namespace zivron {

struct CurlLibrary {
    CURL* (*easy_init)();
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
    CURLcode (*easy_perform)(CURL*);
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
    void (*easy_cleanup)(CURL*);
    curl_slist* (*slist_append)(curl_slist*, const char*);
    void (*slist_free_all)(curl_slist*);
};

// The library's functions, set up once; nothing when it cannot be loaded, which callers treat
// as a service out of reach.
const CurlLibrary* Curl();

}  // namespace zivron
