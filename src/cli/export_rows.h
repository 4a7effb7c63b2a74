// The rows of `export`: every message of every stored folder, in page and folder order, one
// row each (export_row.h has the columns), from a viewer that has loaded the history file.
//
// Two paths write the same bytes. The record path selects each folder in its collector, which
// builds the folder's records, and writes the cells that ExportCells makes of each record
// through the row writer. The line path reads each folder's stream itself (TFolderText) and
// writes the CSV and JSON Lines rows straight from the stored lines' bytes
// (TExportLineEncoder); a line the encoder leaves, and every line of a table, is parsed and
// written by the record path's steps, one line at a time, with no folder of records built.
// The line path reads the next folder on a second thread while it writes the current one's
// rows, so it holds two folders' texts at most.
#pragma once

#include <ostream>
#include <string_view>

#include "cli/row_writer.h"

namespace kv {

class TViewerController;

// The record path, the reference: every row through `writer`.
void ExportRecords(TViewerController& viewer, TRowWriter& writer);

// The line path, of the history file `file` that `viewer` has loaded; `writer` is the writer
// of `format` with `options` that writes to `out`. The rows of the folders before one that
// cannot be read are written when its failure is raised, as on the record path.
void ExportStoredLines(TViewerController& viewer, std::u16string_view file, TOutputFormat format,
                       const TWriterOptions& options, std::ostream& out, TRowWriter& writer);

}  // namespace kv
