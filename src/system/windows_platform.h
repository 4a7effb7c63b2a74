// The live Windows machine as a platform: the real registry (read only), shell folders,
// accounts, tokens and sessions, and files through the wide-character API with long paths.
// Paths use "\".
//
// Name and edition of a Windows the name tables do not know (10 and later) come from the
// registry's ProductName (Windows 11 told by its build number) and the product-type name of the
// product-information query, else the registry's EditionID.
#pragma once

#include <memory>

#include "system/platform.h"

namespace kv {

std::unique_ptr<IPlatform> MakeWindowsPlatform();

}  // namespace kv
