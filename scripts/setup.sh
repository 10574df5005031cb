#!/usr/bin/env bash
# Installs the Debian packages Brindle needs to build, run and test. Idempotent: it installs only
# what is missing and says nothing when everything is already there.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build pkg-config clang-format
  # fuzzing (libFuzzer)
  clang libclang-rt-14-dev
  # Qt and friends
  qt6-base-dev qt6-base-dev-tools libgl-dev qcoro-qt6-dev qtkeychain-qt6-dev
  # keyring used by the app and the keyring integration tests
  gnome-keyring dbus-daemon dbus-bin
  # QtKeychain loads libsecret at run time to reach the Secret Service
  libsecret-1-0
  # TLS: trust store for production fetches, openssl to mint test certificates
  ca-certificates openssl libssl-dev
  # the session history: Qt SQL (in qt6-base-dev) and its SQLite driver
  libqt6sql6 libqt6sql6-sqlite
  # a font so the offscreen platform can render text
  fonts-dejavu-core
  # Qt Quick, the QML modules the views import, and QtQuickTest for the view tests
  qt6-declarative-dev qt6-declarative-dev-tools
  qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
  qml6-module-qtquick qml6-module-qtquick-templates qml6-module-qtquick-controls
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtquick-dialogs
  qml6-module-qttest
  # Qt Quick's own file and folder dialogs, used where the desktop provides none, list folders with it
  qml6-module-qt-labs-folderlistmodel
  # icons for the views (freedesktop theme, SVG) and colour emoji for the logo and eyebrows
  adwaita-icon-theme libqt6svg6 fonts-noto-color-emoji
  # the tray needs a windowing system plugin; XWayland (xcb) is preferred, plain Wayland works too
  qt6-wayland
  # the main window asks X11 window managers to keep it on every workspace
  libxcb1-dev
  # audio capture: sound-server client API, on-device recognizer and its English model
  libpulse-dev libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us
  # capture integration tests: a private sound server, its players and speech synthesis
  pulseaudio pulseaudio-utils flite
  # the same tests against PipeWire's pulse server, each stack in its own dbus-run-session;
  # installing pipewire-pulse leaves the pulseaudio binary the other run starts untouched
  pipewire pipewire-pulse wireplumber
  # desktop tests: a private X server inside a private session bus; the launcher entry and
  # metadata validators
  xvfb desktop-file-utils appstream
  # the Debian package: CPack's dependency scan (dpkg-shlibdeps, file) and lintian
  dpkg-dev file lintian
  # checking recordings: GStreamer decoding (appsink), the plug-ins for WAV, MP3, Ogg Vorbis/Opus,
  # FLAC, MP4/M4A, WebM and AAC (libav), and gst-launch to encode test media
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-tools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
