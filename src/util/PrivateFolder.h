// Folders that only their user, the system and the administrators may open.
// The work folder lies under the machine-wide application data folder, where
// every local user may read and create by default, under a name anyone can
// work out.
#pragma once
#include <string>

struct TFolderOwnership {
    bool Exists = false;
    bool IsLink = false;       // a reparse point: a junction or link to another place
    // Owned by the user this process runs as, SYSTEM or the administrators
    // (an elevated start of an earlier runner made it so): they could read
    // and change it anyway.
    bool TrustedOwner = false;
    bool Private = false;      // a DACL that lets in only that user, SYSTEM and the administrators
    std::string Owner;         // the owner's account name, or its SID when it has none
};

TFolderOwnership InspectFolder(const std::string& path);
// Creates the folder (its parent must exist), owned by this process's user,
// with the private DACL, which everything made in it inherits.
bool CreatePrivateFolder(const std::string& path);
// Gives an existing folder the private DACL, handed down to what it holds.
bool MakeFolderPrivate(const std::string& path);
// The first entry under the folder that is a link or whose owner is neither
// this user, SYSTEM nor the administrators; empty when there is none.
std::string ForeignEntryIn(const std::string& folder);
