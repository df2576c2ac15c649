# Reloads udev's rules and re-applies them to the controller's hidraw nodes
# (vendor 0xaaab, product 0xef02), so its access follows the rule at once.
# Without a working udev (a chroot, a container) there is nothing to do.
apply_udev_rule() {
  command -v udevadm >/dev/null 2>&1 || return 0
  udevadm control --reload-rules >/dev/null 2>&1 || return 0
  for node in /sys/class/hidraw/*; do
    [ -e "$node/device/uevent" ] || continue
    if grep -qix 'HID_ID=[0-9a-f]*:0000AAAB:0000EF02' "$node/device/uevent"; then
      udevadm trigger --action=change "$node" >/dev/null 2>&1 || true
    fi
  done
}
