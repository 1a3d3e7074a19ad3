#!/usr/bin/env bash
# Arrows point down only: each folder may include the folders listed for it and nothing above.
# Logic never includes a backend or a system library that only a backend may touch; only app/
# (the composition root) picks backends.
set -u
src=${1:?usage: check-layering.sh SRC_DIR}
status=0
fail() { echo "$1"; echo "$2"; status=1; }

# Folder → the project folders its files may include (besides its own).
declare -A allowed=(
  [base]=""
  [platform]="base"
  [hotkey]="base platform"
  [settings]="base platform"
  [client]="base platform settings"
  [rewrite]="base platform settings client"
  [shortcuts]="base platform settings hotkey"
  [feedback]="base platform settings client rewrite"
  [settingswindow]="base platform settings hotkey client shortcuts feedback"
  [onboarding]="base platform settings hotkey client shortcuts feedback settingswindow"
  [backend]="base platform hotkey"
)
# Every folder under platform/ is a backend, so a new one is checked without being listed here.
backend_names=$(cd "$src/platform" && ls -d -- */ | tr -d / | paste -sd'|') # x11|atspi|...
project_include='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z]+)/'

check_folder() { # check_folder NAME FILES...
  local name=$1; shift
  local file line target
  for file in "$@"; do
    while IFS= read -r line; do
      [[ $line =~ $project_include ]] || continue
      target=${BASH_REMATCH[1]}
      [ "$target" = "$name" ] && continue
      [ "$name" = backend ] && [ "$target" = "$(basename "$(dirname "$file")")" ] && continue
      [[ " ${allowed[$name]} " == *" $target "* ]] && continue
      fail "$file includes $target/, which is above or beside $name/:" "  $line"
    done <"$file"
  done
}

for layer in "${!allowed[@]}"; do
  case $layer in
  backend) for b in ${backend_names//|/ }; do check_folder backend "$src/platform/$b"/*.{h,cpp}; done ;;
  platform) check_folder platform "$src"/platform/*.h ;;
  *) [ -d "$src/$layer" ] && check_folder "$layer" "$src/$layer"/*.{h,cpp} ;;
  esac
done 2>/dev/null

backend_includes="#include[[:space:]]*[<\"](platform/($backend_names)/|xcb/|X11/|atspi/|qt6keychain/|glib)"
for layer in "${!allowed[@]}"; do
  [ "$layer" = backend ] || [ ! -d "$src/$layer" ] && continue
  # The folder's own files only: platform/'s subfolders are the backends.
  if hits=$(grep -HnE -d skip "$backend_includes" "$src/$layer"/*); then
    fail "layer $layer includes a backend:" "$hits"
  fi
done
# X11 and AT-SPI macros (None, Bool, Status) collide with Qt: keep them out of every header.
if hits=$(grep -rnE '#include[[:space:]]*<(xcb/|X11/|atspi/)' --include='*.h' "$src"); then
  fail "a header includes X11 or AT-SPI:" "$hits"
fi
[ $status -eq 0 ] && echo "layering ok"
exit $status
