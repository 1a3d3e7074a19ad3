#!/usr/bin/env bash
# Logic layers may include platform interfaces and Qt, never a backend or a system
# library that only a backend may touch. Only app/ (the composition root) picks backends.
set -u
src=${1:?usage: check-layering.sh SRC_DIR}
status=0
backend_includes='#include[[:space:]]*[<"](platform/(x11|atspi|secret|xdg)/|xcb/|X11/|atspi/|qt6keychain/|glib)'
for layer in hotkey rewrite client settings shortcuts feedback; do
  [ -d "$src/$layer" ] || continue
  if hits=$(grep -rnE "$backend_includes" "$src/$layer"); then
    echo "layer $layer includes a backend:"; echo "$hits"; status=1
  fi
done
# Interfaces stay header-only and backend-free.
if hits=$(grep -nE "$backend_includes" "$src"/platform/*.h 2>/dev/null); then
  echo "platform interfaces include a backend:"; echo "$hits"; status=1
fi
# X11 and AT-SPI macros (None, Bool, Status) collide with Qt: keep them out of every header.
if hits=$(grep -rnE '#include[[:space:]]*<(xcb/|X11/|atspi/)' --include='*.h' "$src"); then
  echo "a header includes X11 or AT-SPI:"; echo "$hits"; status=1
fi
[ $status -eq 0 ] && echo "layering ok"
exit $status
