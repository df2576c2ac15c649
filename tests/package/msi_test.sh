#!/usr/bin/env bash
# The Windows installer of this tree's architecture as a user gets it, under
# Wine, each mode in a Wine prefix of its own under WORK:
#   install  the package's metadata (msiinfo); msiexec /i /qn: the files, the
#            Start-menu shortcuts and their targets, the product registered
#            with its version; the panel's start-up check of the conformance
#            suite, started from the shortcut's target; msiexec /x: nothing of
#            the product left, the data kept.
#   service  an older installer (built here) with ADDLOCAL=Service and serve's
#            options: the service runs and answers from Linux with its token;
#            this tree's installer over it: one product, the same token, log
#            and options, the service running again; the older one refused
#            over the newer; msiexec /x: the service gone, the data kept.
# Every wait is bounded and waits for a state.
#
# usage: msi_test.sh MODE BUILD MSI VERSION ARCH SETTINGS RUN_SUITE DRIVER STANDINS WORK
set -u
mode=$1 build=$2 msi=$3 version=$4 arch=$5 settings=$6 runSuite=$7 driver=$8 standins=$9 work=${10}
here=$(cd "$(dirname "$0")" && pwd)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
step() { echo "-- $*"; }

case $arch in
  x64) upgradeCode='{50FC168D-BD48-42C1-BF3D-8678E7D2999F}' programFiles='Program Files'
       template='x64;1033' suffix='' view=/reg:64 exeLoader=/usr/lib/wine/wine64 ;;
  x86) upgradeCode='{AFE70013-561C-4924-950C-E35A71DF1AE9}' programFiles='Program Files (x86)'
       template='Intel;1033' suffix=32 view=/reg:32 exeLoader=/usr/lib/wine/wine ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
if ! cmake --build "$build" --target windows_msi >"$build/windows_msi.log" 2>&1; then
  cat "$build/windows_msi.log" >&2
  echo "FAIL: cannot build the installer" >&2
  exit 1
fi
echo "-- $(basename "$msi"): $(stat -c %s "$msi") bytes"
if ! "$exeLoader" --version >/dev/null 2>&1; then
  echo "SKIPPED: $exeLoader does not start on this machine"
  exit 77
fi
loader=/usr/lib/wine/wine64
mkdir -p "$work/$mode"
work=$(cd "$work/$mode" && pwd)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
rm -rf "$WINEPREFIX"
drive=$WINEPREFIX/drive_c
dir=$drive/$programFiles/swrpanel
data=$drive/ProgramData/swrpanel
user=$(id -un)
winpath() { echo "Z:${1//\//\\}"; }
wine_() { timeout 180 "$loader" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
reg_() { wine_ reg query "$@"; }  # KEY [/v NAME] [view: the package's own, for its keys]
msiexec_() {  # /i|/x msi [properties...]: msiexec's exit status; its log in $work/<msi>.i.log or .x.log
  local what=$1 package=$2
  shift 2
  timeout 240 "$loader" msiexec "$what" "$(winpath "$package")" /qn /l*v "$(winpath "$work/$(basename "$package").${what#/}.log")" "$@" >/dev/null 2>&1
}
property() { msiinfo export "$1" Property | sed -n "s/^$2\t//p" | tr -d '\r'; }
productCode() { property "$1" ProductCode; }
uninstallKey() { echo "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1"; }

# The package's own metadata.
check_metadata() {  # msi version
  local info
  info=$(msiinfo suminfo "$1")
  grep -qx 'Author: swrpanel developers' <<<"$info" || fail "$1: author: $(grep Author <<<"$info")"
  grep -qx "Template: $template" <<<"$info" || fail "$1: architecture: $(grep Template <<<"$info")"
  [ "$(property "$1" Manufacturer)" = 'swrpanel developers' ] || fail "$1: manufacturer"
  [ "$(property "$1" ProductVersion)" = "$2" ] || fail "$1: version $(property "$1" ProductVersion), not $2"
  [ "$(property "$1" UpgradeCode)" = "$upgradeCode" ] || fail "$1: upgrade code $(property "$1" UpgradeCode)"
  [ "$(property "$1" ALLUSERS)" = 1 ] || fail "$1: not a per-machine package"
  grep -q SERVE_OPTIONS <<<"$(property "$1" SecureCustomProperties)" || fail "$1: SERVE_OPTIONS is not secure"
}

make_prefix() {
  step "making the Wine prefix $WINEPREFIX"
  timeout 300 "$loader" wineboot -u >/dev/null 2>&1
  timeout 60 wineserver -w
}

# The Start-menu folder msiexec made (the common one on Windows; Wine's
# msiexec takes the user's even for a per-machine package).
menu_dir() {
  local d
  for d in "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/swrpanel" \
           "$drive/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/swrpanel"; do
    [ -d "$d" ] && { echo "$d"; return 0; }
  done
  return 1
}

check_installed() {  # msi version
  local name menu expected
  expected="LICENSE
README.txt
THIRD-PARTY-NOTICES.txt
grafana-dashboard.json
station-page.url
swrctl$suffix.exe
swrctl-demo$suffix.exe
swrpanel$suffix.exe
swrpanel-demo$suffix.exe"
  [ "$(ls "$dir" 2>/dev/null | LC_ALL=C sort)" = "$(LC_ALL=C sort <<<"$expected")" ] ||
    { fail "the files in $dir:"; diff <(LC_ALL=C sort <<<"$expected") <(ls "$dir" | LC_ALL=C sort) >&2; }
  grep -q '^URL=http://127.0.0.1:8537/' "$dir/station-page.url" || fail "station-page.url"
  menu=$(menu_dir) || { fail "no Start-menu folder swrpanel"; return; }
  step "shortcuts in ${menu#"$drive/"}"
  while IFS='|' read -r name target; do
    [ -f "$menu/$name.lnk" ] || { fail "no shortcut '$name'"; continue; }
    strings "$menu/$name.lnk" | grep -qxF "C:\\${programFiles}\\swrpanel\\$target" ||
      fail "shortcut '$name' does not point at $target"
  done <<EOF
SWR and Power Indicator|swrpanel$suffix.exe
SWR and Power Indicator (demo)|swrpanel-demo$suffix.exe
SWR meter in the browser|station-page.url
EOF
  reg_ "$(uninstallKey "$(productCode "$1")")" $view /v DisplayVersion | grep -q "REG_SZ *$2\$" ||
    fail "product $(productCode "$1") not registered with version $2"
  reg_ 'HKLM\Software\swrpanel' /v InstallDir $view | grep -qF "C:\\$programFiles\\swrpanel" ||
    fail "no InstallDir in the registry"
}

check_removed() {  # msi
  [ -e "$dir" ] && fail "$dir is still there: $(ls "$dir")"
  menu_dir >/dev/null && fail "the Start-menu folder is still there"
  reg_ "$(uninstallKey "$(productCode "$1")")" $view >/dev/null && fail "the product is still registered"
  reg_ 'HKLM\Software\swrpanel' $view >/dev/null && fail "HKLM\\Software\\swrpanel is still there"
  reg_ 'HKLM\System\CurrentControlSet\Services\swrctl-serve' >/dev/null && fail "the service is still registered"
}

# One HTTP request over bash's /dev/tcp to the service; prints the response.
http() {  # method path [token]
  local auth='' body=''
  [ $# -ge 3 ] && auth="Authorization: Bearer $3"$'\r\n'
  [ "$1" = POST ] && body='{"command":"select","sensor":2}'
  exec 5<>"/dev/tcp/127.0.0.1/$port" || return 1
  printf '%s %s HTTP/1.1\r\nHost: 127.0.0.1:%s\r\n%sContent-Type: application/json\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s' \
    "$1" "$2" "$port" "$auth" "${#body}" "$body" >&5
  timeout 10 cat <&5
  exec 5<&-
}
# Waits for the service's log to name a new address (the n-th one); sets port.
wait_serving() {  # n
  port=
  for _ in $(seq 300); do
    [ "$(cat "$data/swrctl-serve.log" 2>/dev/null | grep -c 'serving the meter at')" -ge "$1" ] && break
    sleep 0.1
  done
  port=$(sed -n 's|.*serving the meter at http://127.0.0.1:\([0-9]*\)/#token=.*|\1|p' \
           "$data/swrctl-serve.log" 2>/dev/null | sed -n "$1p")
  [ -n "$port" ]
}
check_service() {  # what
  local image
  image=$(reg_ 'HKLM\System\CurrentControlSet\Services\swrctl-serve' /v ImagePath)
  grep -qF "\"C:\\$programFiles\\swrpanel\\swrctl$suffix.exe\" service run --listen 127.0.0.1:0 --token-file" <<<"$image" ||
    fail "$1: the service's command line: $image"
  http GET /api/v1/status "$(tr -d '\r\n' <"$data/token.txt")" | grep -q '"connected":' ||
    fail "$1: GET /api/v1/status with the installed token"
  http POST /api/v1/commands wrong-token-wrong-token | grep -q '^HTTP/1.1 401' ||
    fail "$1: a command with a wrong token was not refused"
  echo "   $1: the service serves at 127.0.0.1:$port; ${image##*ImagePath    REG_SZ    }"
}

if [ "$mode" = install ]; then
  check_metadata "$msi" "$version"
  make_prefix
  step "msiexec /i $(basename "$msi") /qn"
  msiexec_ /i "$msi" || fail "msiexec /i: exit $?"
  check_installed "$msi" "$version"
  # The installed swrctl answers; this also brings up Wine's side of the
  # programs' architecture, whose first start in a new prefix is slow.
  answer=$(timeout 120 "$exeLoader" "$dir/swrctl$suffix.exe" --version 2>/dev/null | tr -d '\r')
  [ "$answer" = "swrctl $version" ] || fail "the installed swrctl$suffix.exe --version: '$answer'"
  # Wine's desktop process, once started, keeps the display it was started
  # with: msiexec's and swrctl's (none) would hold the panel's window. The
  # prefix's processes end first, so the check's display is the desktop's.
  timeout 60 wineserver -k
  timeout 60 wineserver -w
  # The panel as the Start menu starts it, from the installed path.
  target=$(strings "$(menu_dir)/SWR and Power Indicator.lnk" 2>/dev/null | grep -m1 '^C:\\.*\.exe$')
  step "starting ${target:-the panel} (the conformance suite's start-up check)"
  program=$drive/$(echo "${target#C:\\}" | tr '\\' /)
  # On a loaded machine a failed first run is repeated once, and the repeat
  # is said.
  if ! bash "$runSuite" "$program" "$driver" "$standins" "$work" --only startup; then
    step "repeating the start-up check once"
    bash "$runSuite" "$program" "$driver" "$standins" "$work" --only startup ||
      fail "the installed panel's start-up check"
  fi
  # The station's data, as the service and serve leave it.
  mkdir -p "$data" "$drive/users/$user/AppData/Local/swrpanel"
  echo token >"$data/token.txt"
  echo log >"$drive/users/$user/AppData/Local/swrpanel/station.db"
  step "msiexec /x $(basename "$msi") /qn"
  msiexec_ /x "$msi" || fail "msiexec /x: exit $?"
  check_removed "$msi"
  [ -f "$data/token.txt" ] && [ -f "$drive/users/$user/AppData/Local/swrpanel/station.db" ] ||
    fail "uninstalling took the station's data"
else
  # Wine ends its server, and the service with it, a few seconds after the
  # last program: a waiting one keeps it up until the end.
  older=$(awk -F. '{ if ($3 > 0) $3--; else if ($2 > 0) $2--; else $1--; print $1 "." $2 "." $3 }' <<<"$version")
  oldMsi=$work/swrpanel-$older-$arch.msi
  step "making $(basename "$oldMsi")"
  cmake -DSETTINGS="$settings" -DVERSION="$older" -DOUTPUT="$oldMsi" \
        -P "$here/../../packaging/make_windows_msi.cmake" >"$work/old-msi.log" 2>&1 ||
    { cat "$work/old-msi.log" >&2; exit 1; }
  check_metadata "$oldMsi" "$older"
  [ "$(productCode "$oldMsi")" != "$(productCode "$msi")" ] || fail "both versions have one product code"
  make_prefix
  mkfifo "$work/hold"
  "$loader" cmd /c pause <"$work/hold" >/dev/null 2>&1 &
  holder=$!
  exec 3>"$work/hold"
  trap 'exec 3>&-; timeout 20 wineserver -k; wait $holder 2>/dev/null; rm -f "$work/hold"' EXIT

  step "msiexec /i $(basename "$oldMsi") /qn ADDLOCAL=Service SERVE_OPTIONS=\"--listen 127.0.0.1:0\""
  msiexec_ /i "$oldMsi" ADDLOCAL=Service 'SERVE_OPTIONS=--listen 127.0.0.1:0' || fail "msiexec /i (older): exit $?"
  wait_serving 1 || fail "the service does not serve after the install"
  [ -n "$port" ] && check_service "installed"
  token=$(cat "$data/token.txt" 2>/dev/null)
  firstLine=$(head -n 1 "$data/swrctl-serve.log" 2>/dev/null)
  # The station log of serve's account (Wine's services run as the user).
  stationLog=$(find "$drive/users" -name station.db 2>/dev/null | head -n 1)
  [ -n "$stationLog" ] || fail "the service made no station log"

  step "msiexec /i $(basename "$msi") /qn (the upgrade)"
  msiexec_ /i "$msi" || fail "msiexec /i (upgrade): exit $?"
  reg_ "$(uninstallKey "$(productCode "$oldMsi")")" $view >/dev/null && fail "the older product is still registered"
  reg_ "$(uninstallKey "$(productCode "$msi")")" $view /v DisplayVersion | grep -q "REG_SZ *$version\$" ||
    fail "the upgrade is not registered with version $version"
  wait_serving 2 || fail "the service does not serve again after the upgrade"
  [ -n "$port" ] && check_service "upgraded"
  [ -n "$token" ] && [ "$(cat "$data/token.txt" 2>/dev/null)" = "$token" ] || fail "the token changed"
  [ -n "$firstLine" ] && [ "$(head -n 1 "$data/swrctl-serve.log")" = "$firstLine" ] || fail "the log was not kept"
  [ -n "$stationLog" ] && [ -s "$stationLog" ] || fail "the station log was not kept"

  step "msiexec /i $(basename "$oldMsi") /qn over the newer one"
  msiexec_ /i "$oldMsi" && fail "the older package installed over the newer one"
  # Wine's msiexec logs no launch condition's text under /qn: the refusal is
  # its condition failing, with the message the package holds for it.
  grep -aq 'LaunchConditions. Return value 0' "$work/$(basename "$oldMsi").i.log" ||
    fail "the older package was not refused by its launch condition"
  msiinfo export "$oldMsi" LaunchCondition | grep -q $'^NOT WIX_DOWNGRADE_DETECTED\tA newer version of swrpanel is already installed' ||
    fail "no clear message refusing the older package"
  reg_ "$(uninstallKey "$(productCode "$msi")")" $view >/dev/null || fail "the newer product is gone"

  step "msiexec /x $(basename "$msi") /qn"
  msiexec_ /x "$msi" || fail "msiexec /x: exit $?"
  check_removed "$msi"
  [ "$(cat "$data/token.txt" 2>/dev/null)" = "$token" ] && [ -f "$data/swrctl-serve.log" ] ||
    fail "uninstalling took the service's token or log"
  [ -n "$stationLog" ] && [ -s "$stationLog" ] || fail "uninstalling took the station log"
fi

[ "$failures" -eq 0 ] && echo "PASS: $(basename "$msi") $mode"
exit $((failures > 0))
