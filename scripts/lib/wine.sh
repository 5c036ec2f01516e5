# A Wine prefix of our own, and the environment the notice programs run in.

STARTED_WINE_PREFIXES=()

# use_wine_prefix DIR: exports what every wine call of the scripts needs.
use_wine_prefix() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # No sound card on a build machine: play the notices' sounds into nothing instead of printing
  # ALSA errors.
  if ! compgen -G '/dev/snd/pcmC*p' >/dev/null; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    printf 'pcm.!default { type null }\n' >"$(dirname "$WINEPREFIX")/asound-null.conf"
    export ALSA_CONFIG_PATH="$(dirname "$WINEPREFIX")/asound-null.conf"
  fi
  STARTED_WINE_PREFIXES+=("$WINEPREFIX")
}

# create_wine_prefix: builds the prefix named by WINEPREFIX and warms it (the first start of a
# program builds the font cache). Needs DISPLAY.
create_wine_prefix() {
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  # The notices are drawn in Tahoma, which every Windows has. Wine ships its own Tahoma but a new
  # prefix does not list it, so text would fall back to another face.
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
    "$WINEPREFIX/drive_c/windows/Fonts/"
  # The headless display has no window manager. Wine hands a window listed on the task bar to one
  # and, when the window leaves the screen, waits 2 s for it to confirm; none ever does.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine cmd /c exit >/dev/null 2>&1 || true
}

# stop_prefix_leftovers PREFIX: ends, by process id, any Wine process of PREFIX that outlived its
# server, as its service processes can.
stop_prefix_leftovers() {
  local prefix=$1 dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    # Wine's processes only: the scripts and their tools carry WINEPREFIX too.
    [[ $(readlink "$dir/exe" 2>/dev/null) == */wine* ]] || continue
    if tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix"; then
      warn "ending Wine process $pid, left over in $prefix"
      kill -9 "$pid" 2>/dev/null || true
    fi
  done
}

# Ends every wine process of the prefixes we used; wineserver -k only touches its own prefix.
stop_wine_prefixes() {
  local prefix
  for prefix in "${STARTED_WINE_PREFIXES[@]}"; do
    if [[ -d $prefix ]]; then
      WINEPREFIX=$prefix wineserver --kill=9 2>/dev/null || true
      WINEPREFIX=$prefix timeout 20 wineserver -w 2>/dev/null || true
      stop_prefix_leftovers "$prefix"
    fi
  done
  STARTED_WINE_PREFIXES=()
}
