#!/usr/bin/env bash
# kolvane-cli.exe on a Windows of its own (a fresh Wine prefix): the bundled samples' stores are
# copied into the user's folders and the mail clients' registry values written with "reg add",
# as the clients themselves keep them. The scan must find all four clients with the folder and
# message counts of the samples' manifest; the Linux kolvane-cli must list and export the file
# with the rows of its own scan of the same samples (read as an offline tree), and the Windows
# build must read the file the Linux build wrote.
#
# windows_scan_test.sh WINE64 KOLVANE_CLI_EXE LINUX_KOLVANE_CLI SAMPLES_DIR WORK_DIR
# Exits 77 (skipped) without a Linux kolvane-cli to compare with.
set -eEuo pipefail  # -E: the ERR trap below also names a failure inside a function
wine=$1 win_cli=$2 linux_cli=$3 samples=$4 work=$5
if [ ! -x "$linux_cli" ]; then
  echo "no Linux kolvane-cli at $linux_cli (KOLVANE_HOST_BUILD_DIR) - skipped"
  exit 77
fi
fail() { echo "FAIL: $*" >&2; exit 1; }
# A step that stops the script names itself, so a failure in CI says where it happened.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND exited with $?" >&2' ERR

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=Europe/Berlin
start=$(date +%s)
prefix() { bash "$(dirname "$0")/../support/wine_prefix.sh" "$1" "$wine"; }
prefix start
trap 'prefix stop' EXIT
echo "wine prefix made in $(( $(date +%s) - start )) s"

# The user's profile, as Windows and as Linux name it.
profile_win=$("$wine" cmd /c 'echo %USERPROFILE%' | tr -d '\r\n')
profile=$("$wine" winepath -u "$profile_win" | tr -d '\r\n')
[ -d "$profile" ] || fail "no profile folder for $profile_win"
clara="$samples/Users/Clara"

# Outlook Express keeps its stores below Local\Identities; Windows Mail and Windows Live Mail
# name their stores in the registry; Thunderbird's profile lives in the roaming folder.
mkdir -p "$profile/AppData/Local" "$profile/AppData/Roaming"
cp -r "$clara/AppData/Local/Identities" "$clara/AppData/Local/Microsoft" "$profile/AppData/Local/"
cp -r "$clara/AppData/Roaming/Thunderbird" "$profile/AppData/Roaming/"
# Thunderbird writes its own user's folder into prefs.js.
/usr/bin/python3 - "$profile/AppData/Roaming/Thunderbird" "$profile_win" <<'PY'
import glob, sys
folder, profile = sys.argv[1], sys.argv[2]
for path in glob.glob(folder + "/Profiles/*/prefs.js"):
    text = open(path, encoding="latin-1").read()
    text = text.replace("C:\\\\Users\\\\Clara", profile.replace("\\", "\\\\"))
    open(path, "w", encoding="latin-1").write(text)
PY

reg() { "$wine" reg add "$@" /f >/dev/null; }
reg 'HKCU\Software\Microsoft\Windows Mail' /v 'Store Root' /t REG_EXPAND_SZ \
    /d '%UserProfile%\AppData\Local\Microsoft\Windows Mail'
reg 'HKCU\Software\Microsoft\Windows Live Mail' /v 'Store Root' /t REG_EXPAND_SZ \
    /d '%UserProfile%\AppData\Local\Microsoft\Windows Live Mail'
# The default account is the one whose folders the manifest marks as scanned.
account_folder=$(awk -F'\t' '$1 == "folder" && $2 == "winlivemail" && $5 == "1" { print $3; exit }' \
                   "$samples/MANIFEST.tsv" | sed 's/.*\\Windows Live Mail\\\([^\\]*\)\\.*/\1/')
account=$(cd "$clara/AppData/Local/Microsoft/Windows Live Mail/$account_folder" && ls ./*.oeaccount)
reg 'HKCU\Software\Microsoft\Windows Live Mail' /v 'Default Mail Account' /t REG_SZ /d "${account#./}"
n=0
for identity in "$clara"/AppData/Local/Identities/*; do
  id=$(basename "$identity")
  n=$((n + 1))
  key="HKCU\\Identities\\$id"
  reg "$key" /v 'Username' /t REG_SZ /d "Identity $n"
  reg "$key" /v 'User ID' /t REG_SZ /d "$id"
  reg "$key\\Software\\Microsoft\\Outlook Express\\5.0" /v 'Store Root' /t REG_EXPAND_SZ \
      /d "%UserProfile%\\AppData\\Local\\Identities\\$id\\Microsoft\\Outlook Express"
  [ "$n" = 1 ] && reg 'HKCU\Identities' /v 'Default User ID' /t REG_SZ /d "$id"
done

windows_path() { echo "Z:${1//\//\\}"; }
"$wine" "$win_cli" scan --out "$(windows_path "$work/windows.qmr")" --quiet > "$work/scan.txt" ||
  fail "the scan under Wine failed: $(cat "$work/scan.txt")"
cat "$work/scan.txt"

# Every client with the folders and messages of the manifest (the folders a scan lists).
expected=$(awk -F'\t' '$1 == "folder" && $5 == "1" { f[$2]++; m[$2] += $6 }
  END { printf "Outlook Express %d %d\nWindows Mail %d %d\nWindows Live Mail %d %d\nMozilla Thunderbird %d %d\n",
        f["oe"], m["oe"], f["winmail"], m["winmail"], f["winlivemail"], m["winlivemail"],
        f["thunderbird"], m["thunderbird"] }' "$samples/MANIFEST.tsv")
found=$(tr -d '\r' < "$work/scan.txt" | awk 'NF >= 4 && $(NF-2) ~ /^[0-9]+$/ {
  name = $1; for (i = 2; i <= NF - 3; ++i) name = name " " $i; print name, $(NF-2), $(NF-1) }')
[ "$found" = "$expected" ] || fail "the scan found
$found
where the manifest has
$expected"

# The Linux build reads the same samples as an offline tree, then both files.
"$linux_cli" scan --windows-root "$samples" --out "$work/linux.qmr" --quiet > /dev/null
for command in export list; do
  for file in windows linux; do
    LANG=en_US.UTF-8 "$linux_cli" "$command" "$work/$file.qmr" --format csv > "$work/$command-$file.csv"
  done
  cmp "$work/$command-windows.csv" "$work/$command-linux.csv" ||
    fail "kolvane-cli $command gives other rows for the file the Windows build wrote:
$(diff "$work/$command-windows.csv" "$work/$command-linux.csv" | head -20)"
  echo "kolvane-cli $command: $(($(wc -l < "$work/$command-linux.csv") - 1)) identical rows"
done

# The Windows build reads the file the Linux build wrote, to the byte as Linux exports it.
"$wine" "$win_cli" export "$(windows_path "$work/linux.qmr")" --format csv > "$work/export-by-windows.csv"
cmp "$work/export-by-windows.csv" "$work/export-linux.csv" ||
  fail "kolvane-cli.exe exports the Linux build's file otherwise:
$(diff "$work/export-by-windows.csv" "$work/export-linux.csv" | head -20)"
echo "kolvane-cli.exe export of the Linux file: identical"
echo "passed in $(( $(date +%s) - start )) s"
