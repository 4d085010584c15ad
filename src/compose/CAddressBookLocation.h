// Where the user's address book lives: the text value "AddressBookPath" under the program's
// root key (current user first, then the machine), else "contacts.vcf" in the program's data
// folder ($XDG_DATA_HOME/TWD/contacts.vcf). The value may name one .vcf file or a folder of
// .vcf files; a leading "~/" stands for the home folder.
#pragma once

#include <string>

class CQVRegClass;

class CAddressBookLocation {
public:
    static constexpr const char* kValueName = "AddressBookPath";
    static constexpr const char* kDefaultFileName = "contacts.vcf";

    // The configured path, or the default.
    static std::string Resolve(const CQVRegClass& reg);
    // Stores the path in the current-user hive. True when written.
    static bool Store(const CQVRegClass& reg, const std::string& path);
};
