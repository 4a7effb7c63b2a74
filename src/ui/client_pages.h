// The four client pages of a viewer, in page order: Outlook Express, Windows Mail, Windows Live
// Mail and Mozilla Thunderbird, each with its collector.
#pragma once

#include <vector>

#include "system/context.h"
#include "ui/viewer.h"

namespace kv {

// The collectors are made in the order Windows Mail, Windows Live Mail, Outlook Express,
// Thunderbird and bound to pages 0 to 3 in page order.
std::vector<TClientPage> CreateClientPages(const TSystemContext& context);

}  // namespace kv
