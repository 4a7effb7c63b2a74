// The commands of kolvane-cli as the argument parser knows them: names, arguments, options
// with their help texts, and the checks between options that the parser's table cannot state.
// The commands' work lives elsewhere; this unit only says what a valid command line is.
//
//   scan [--windows-root DIR [--user NAME]] [--out FILE] [--quiet]
//   folders FILE [--format F]
//   list FILE [--client C] [--folder F] [--search TEXT] [--sort COLUMN[:asc|:desc]] [--format F]
//   info FILE [--format F]
//   export FILE [--out PATH] [--bom | --spreadsheet] [--format F]
#pragma once

#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/row_writer.h"
#include "ui/sort.h"

namespace kv {

const std::vector<TCommandSpec>& CliCommands();
TArgParser MakeCliParser(const std::string& version);

// Raises EUsageError for option combinations the table cannot reject: --user without
// --windows-root, a --sort value that names no list column, --bom or --spreadsheet with a
// format other than CSV.
void CheckCommandOptions(const TParsedCommand& parsed);

// The output form asked for: --format, else CSV for export and a table for the others.
TOutputFormat OutputFormatOf(const TParsedCommand& parsed);

// The sort of `list`: --sort, else the viewer's initial state (received, newest first).
TSortState SortStateOf(const TParsedCommand& parsed);

}  // namespace kv
