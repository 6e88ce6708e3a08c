# Sourced by the Wine tests, which change their prefix's drive D: and C:\Apache2: they
# run only in a prefix made for them (tools/wine-prefix.sh ... --for-tests marks it),
# never in one a person works in.
: "${WINEPREFIX:?prepare one with tools/wine-prefix.sh win32|win64 PREFIX CD_FOLDER --for-tests}"
if [[ ! -e "$WINEPREFIX/zandrel2-test-prefix" ]]; then
  echo "$WINEPREFIX is not a prefix made for the tests, which change its drive D: and C:\\Apache2;" \
    "make one of their own with tools/wine-prefix.sh win32|win64 PREFIX CD_FOLDER --for-tests" >&2
  exit 1
fi
