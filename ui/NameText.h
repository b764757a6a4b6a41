#pragma once

#include <QString>
#include <string>

// How the dialog shows a target or group name. glTF names are UTF-8, so a name that is valid
// UTF-8 is decoded as such; any other byte string shows one character per byte (Latin-1), as
// older files expect. Only the display changes: names are still compared byte by byte.
QString nameText(const std::string& name);
