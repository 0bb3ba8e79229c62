// An edition of the bank lists on arbitrary bytes, as the service's answer or the kept file
// gives it: decoded or refused, never a crash; one that decodes and passes its checks encodes
// back to the same edition, and its look-ups answer.

#include <cstdint>
#include <string>

#include "validate/bank_edition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace banks = zivron::banks;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    zivron::Result<banks::Edition> edition = banks::DecodeEdition(bytes);
    if (!edition) {
        // The two files themselves, parted where the bytes say.
        const std::size_t cut = bytes.find('\x1e');
        (void)banks::Directory::Parse(bytes.substr(0, cut),
                                      cut == std::string::npos ? "" : bytes.substr(cut + 1));
        return 0;
    }
    zivron::Result<banks::Edition> again =
        banks::DecodeEdition(banks::EncodeEdition(edition.value()));
    if (!again || again.value().banks_tsv != edition.value().banks_tsv ||
        again.value().branches_tsv != edition.value().branches_tsv) {
        __builtin_trap();  // an edition must travel whole
    }
    zivron::Result<banks::Directory> d = banks::CheckEdition(edition.value(), banks::Shipped());
    if (d) {
        for (const banks::Bank& b : d.value().Banks()) {
            (void)d.value().BranchWarning(b.code, 1);
            (void)d.value().BankRefusal(b.code);
            (void)d.value().Describe(b.code, 1);
        }
    }
    return 0;
}
