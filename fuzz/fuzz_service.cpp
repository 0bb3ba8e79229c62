// The service's query parser and page handlers on arbitrary queries, over a database of their own.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "pages.h"
#include "store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zivron::service;
    static Store* store = [] {
        auto* s = new Store();
        // A database file of its own, new at each start.
        const std::string db = (std::filesystem::temp_directory_path() /
                                ("zivron-fuzz-service-" + std::to_string(::getpid()) + ".db"))
                                   .string();
        std::filesystem::remove(db);
        if (Store::Open(db, *s, true)) {
            __builtin_trap();
        }
        Account a;
        (void)s->AddAccount("fuzz@example.org", "fuzz", "pw", a);
        return s;
    }();
    static Pages* pages = new Pages(*store);
    static unsigned long calls = 0;
    static const char* kPages[] = {
        "KoreSismaManuy.asp", "KoreMosadot.asp", "KorePerateyMosad.asp", "HosefMosad.asp",
        "AdkenMosad.asp",     "MehakMosad.asp",  "AdkenYomanPeilut.asp", "Other.asp"};
    if (size == 0) {
        return 0;
    }
    const std::string query(reinterpret_cast<const char*>(data) + 1, size - 1);
    Pairs pairs;
    (void)ParseQuery(query, pairs);
    // A client of its own for every call, so the guessing brake never puts the fuzzer to sleep.
    Reply r = pages->Handle(kPages[data[0] % 8], query, "client-" + std::to_string(++calls % 5000));
    if (r.status != 200 && r.status != 400 && r.status != 404 && r.status != 500) {
        __builtin_trap();
    }
    return 0;
}
