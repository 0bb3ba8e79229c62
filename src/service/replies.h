#pragma once
// The reply shapes of the web service, read: field records split by "*", record lists split by
// "+" whose record 0 is not an entry, and the account record of the login.

#include <optional>
#include <string>
#include <vector>

namespace zivron {

// The text split at every `sep`; an empty text is one empty piece.
std::vector<std::string> SplitOn(const std::string& text, char sep);

struct ListEntry {
    std::string name;
    long long number = 0;
};

// The institutions of a list reply, from record 1 on; a record without a number in its field 1
// is left out.
std::vector<ListEntry> ParseRecordList(const std::string& reply);

struct AccountRecord {
    std::string name;    // field 1, trimmed
    std::string number;  // field 12, trimmed
};

// The account of a login reply; nothing when it has fewer than 13 fields, or when its fields are
// not what they must be (a name, and the account's number in digits).
std::optional<AccountRecord> ParseLoginReply(const std::string& reply);

// A list reply: "0", or records parted by "+" (the first never an entry) of which one at least
// holds a name and a number; a refusal or a page of another kind is none, and must not stand
// for the account's list.
bool IsListReply(const std::string& reply);

}  // namespace zivron
