#include "server/Product.h"

#include "server/ServerText.h"

std::string ProductTitle = BuiltInProductName;
bool ScriptErrorsSilent = true;
