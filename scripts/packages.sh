# The Debian packages that the scripts need, in one place; sourced by test.sh, run.sh and
# package.sh.

# Building Lumeck.scr and its preview host, and running them under Wine, with the fonts their
# texts need.
glimra_run_packages=(
  cmake ninja-build python3
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 fonts-wine fonts-wqy-zenhei
)
# Building lumeck, the program for X11 and Wayland, and its GTK module, and running them (the
# preview host of "/p" is Python with GTK).
glimra_linux_packages=(
  cmake ninja-build g++ pkg-config
  libxcb1-dev libxcb-randr0-dev libxkbcommon-x11-dev libglib2.0-dev libgtk-3-dev fonts-wqy-zenhei
  libwayland-dev wayland-protocols libxkbcommon-dev libgdk-pixbuf2.0-bin
  python3 python3-gi gir1.2-gtk-3.0
)
# Building the Debian package beyond those: its build flags and its dependencies.
glimra_package_packages=(dpkg-dev file)
# Everything the test suite needs beyond those.
glimra_test_packages=(
  locales clang clang-format libclang-rt-14-dev llvm black
  googletest libgtest-dev libbenchmark-dev libx11-dev
  xvfb xdotool x11-utils imagemagick fontconfig
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xscreensaver procps util-linux
  at-spi2-core python3-pyatspi python3-gi gir1.2-atspi-2.0 dbus dbus-x11
  sway swayidle grim wtype xwayland
  weston mutter kwin-wayland
  lintian desktop-file-utils libxml2-utils mate-screensaver man-db mount libglib2.0-bin
)

# glimra_need_packages SCRIPT PACKAGE...: installs the missing packages when run as root;
# otherwise names them and fails.
glimra_need_packages() {
  local script=$1 package
  shift
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "$script: missing Debian packages: ${missing[*]}" >&2
    echo "Install them (sudo apt-get install ${missing[*]}) or run this script as root." >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
