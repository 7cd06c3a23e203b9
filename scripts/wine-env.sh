# Sourced by the scripts: a Wine prefix and an X display of this run's own.
# wine_env_start PREFIX; wine_env_stop ends only what it started.
wine_env_start() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEARCH=win64
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  if [ -z "${DISPLAY:-}" ] || [ -n "${VADROME_OWN_DISPLAY:-}" ]; then
    local n
    for n in $(seq 91 140); do
      [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
    done
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    WINE_ENV_XVFB=$!
    export DISPLAY=:$n
    for _ in $(seq 1 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  fi
  # No Mono/Gecko installers; unmanaged windows so creation and destruction don't wait on a WM.
  WINEDLLOVERRIDES="mscoree=d;mshtml=d" wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w
  export WINEDLLOVERRIDES="mscoree=d"
  # Keep the prefix's server and system processes up for the whole run, started
  # here with null standard handles: started by the first test instead, they
  # would hold that test's output pipe open until the run ends.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  # The desktop process as well: else the first test to open a window starts
  # it as its child, holding that test's output open for the whole run.
  wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 100); do
    winedbg --command "info proc" 2>/dev/null </dev/null | grep -q "'explorer.exe'" && break
    sleep 0.1
  done
  # A program started now, with the desktop up, must start and end cleanly.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  if [ -n "${WINE_ENV_XVFB:-}" ]; then kill "$WINE_ENV_XVFB" 2>/dev/null || true; fi
}
