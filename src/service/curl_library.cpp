#include "service/curl_library.h"

#include <dlfcn.h>

#include <optional>

namespace zivron {
namespace {

std::optional<CurlLibrary> Load() {
    void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return std::nullopt;
    }
    bool found = true;
    auto bind = [&](auto& function, const char* name) {
        void* address = dlsym(handle, name);
        found = found && address != nullptr;
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(address);
    };
    CurlLibrary lib{};
    CURLcode (*global_init)(long) = nullptr;
    bind(global_init, "curl_global_init");
    bind(lib.easy_init, "curl_easy_init");
    bind(lib.easy_setopt, "curl_easy_setopt");
    bind(lib.easy_perform, "curl_easy_perform");
    bind(lib.easy_getinfo, "curl_easy_getinfo");
    bind(lib.easy_cleanup, "curl_easy_cleanup");
    bind(lib.slist_append, "curl_slist_append");
    bind(lib.slist_free_all, "curl_slist_free_all");
    if (!found || global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        dlclose(handle);
        return std::nullopt;
    }
    return lib;  // the library stays loaded for the rest of the process
}

}  // namespace

const CurlLibrary* Curl() {
    static const std::optional<CurlLibrary> lib = Load();
    return lib ? &*lib : nullptr;
}

}  // namespace zivron
