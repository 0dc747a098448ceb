#!/usr/bin/env bash
# Runs a command in a fresh clone of the project on a fresh Debian 12, as a newcomer would: a
# minimal ("minbase") chroot made by mmdebstrap from this machine's apt sources, nothing in it
# beyond Debian's essential packages. The committed files are cloned into /root/glimra, a
# private home, and the command runs there as root with a clean environment; its exit status
# is this script's. Run it as root:
#
#   scripts/fresh-debian.sh 'scripts/test.sh'
#   scripts/fresh-debian.sh --display :N 'scripts/run.sh /v'
#
# --display :N lets the command reach this machine's X server :N. The chroot is made like a
# booted machine where the tests need it: its root is a mount point (unshare, which the
# package test runs MATE's saver under, marks "/" private), with its own /proc, /sys and
# /dev, and a machine id. The base is cached in /var/tmp/glimra-fresh; every run unpacks a
# new copy and removes it afterwards.
set -euo pipefail
display=''
if [[ ${1:-} == --display ]]; then
  display=$2
  shift 2
fi
command=${1:?usage: scripts/fresh-debian.sh [--display :N] COMMAND}
[[ $(id -u) -eq 0 ]] || {
  echo "scripts/fresh-debian.sh: run it as root" >&2
  exit 2
}
command -v mmdebstrap >/dev/null || apt-get install -y -qq --no-install-recommends mmdebstrap
project=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
cache=/var/tmp/glimra-fresh/bookworm-minbase.tar
if [[ ! -s $cache ]]; then
  mkdir -p "${cache%/*}"
  mmdebstrap --quiet --variant=minbase --include=ca-certificates bookworm "${cache%.tar}.$$.tar"
  mv "${cache%.tar}.$$.tar" "$cache"
fi

root=$(mktemp -d /var/tmp/glimra-fresh/root.XXXXXX)
chmod 755 "$root"
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
mount_in() { # mount_in MOUNT-ARGUMENT... FOLDER: mounts and remembers the folder for cleanup
  mount "$@" && mounted+=("${*: -1}")
}
mount_in --bind "$root" "$root"
mount --make-private "$root"
tar -xf "$cache" -C "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
tr -d - </proc/sys/kernel/random/uuid >"$root/etc/machine-id"
mount_in -t proc proc "$root/proc"
mount_in --rbind /sys "$root/sys"
mount_in --rbind /dev "$root/dev"
mount --make-rslave "$root/sys"
mount --make-rslave "$root/dev"
if [[ -n $display ]]; then
  mkdir -p "$root/tmp/.X11-unix"
  mount_in --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
fi
git clone -q "$project" "$root/root/glimra"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
  ${display:+DISPLAY=$display} bash -c "cd /root/glimra && $command" </dev/null
