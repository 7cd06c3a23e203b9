// What the desktop opens for us: web addresses in the user's browser, mail
// addresses in the user's mail program.
#pragma once
#include <string>

// Through the desktop's default handler for the address's scheme; false when none took it.
bool OpenWithDesktop(const std::string& uri);
// A new message to the maker's contact address.
void OpenContactMail();
