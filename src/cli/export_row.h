// The export of stored messages: one row per message with every fact the record holds, in
// this column order (also the CSV header and the JSON keys):
//   client, folder, index, id, flags, subject, server, sender_name, sender_email,
//   received_date, received, receiver_name, receiver_email, account, size, priority
// client is the short client name (oe, winmail, winlivemail, thunderbird); received_date is
// the local date-time in ISO 8601 (YYYY-MM-DDTHH:MM:SS), empty for date 0; received is the date
// text the mail store gave. index, flags, size and priority are unsigned decimal numbers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/row_writer.h"
#include "core/message.h"

namespace kv {

// "oe", "winmail", "winlivemail", "thunderbird", "outlook"; empty for ecNone and unknown values.
std::u16string ClientName(TEmailClient client);
// The client of a short name (exact, lower case); nullopt for any other text.
std::optional<TEmailClient> ParseClientName(std::string_view name);

// YYYY-MM-DDTHH:MM:SS of a date-time, seconds truncated from the rounded milliseconds; empty
// for 0 and for values outside the years 1 to 9999.
std::u16string IsoDateTime(TDateTime value);

const std::vector<TColumn>& ExportColumns();
constexpr size_t kExportColumnCount = 16;

// Fills `cells` (resized to the column count; reuse it across rows) with one message's row.
void ExportCells(const TMessageView& record, std::vector<std::u16string>& cells);

}  // namespace kv
