# The Debian packages that the scripts need, in one place; sourced by test.sh and run.sh.

# Building Lumeck.scr and running it under Wine, with the fonts its texts need.
glimra_run_packages=(
  cmake ninja-build git python3
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 fonts-wine fonts-wqy-zenhei
)
# Everything the test suite needs beyond that.
glimra_test_packages=(
  locales clang clang-format libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick
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
