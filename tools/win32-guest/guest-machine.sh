# Sourced by tools/test-win32.sh and make-image.sh: starting the emulated
# i386 machine.
#
# run_guest FOLDER SHARE CPU CPUS SECONDS LOGS [root-writable]
#   Boots the machine of FOLDER (root.img, vmlinuz, initrd.img) under QEMU's
#   full-system emulation (TCG: this machine's KVM is nested in software and
#   runs no 32-bit guest well), on CPUS processors of the model CPU, and
#   shares the folder SHARE with it, where the guest runs stage.sh and
#   writes stage.log and status. The root image is used copy-on-write
#   unless root-writable is given, so a test boot leaves it as it was. The
#   kernel's messages go to LOGS/console.log, QEMU's to LOGS/qemu.log. QEMU
#   ends when the guest powers off or panics (panic=1, -no-reboot), or after
#   SECONDS. True when the stage ended with status 0.
#
#   Models: "pentium2" has no SSE at all; "max" is the widest, less SMAP:
#   with SMAP on, Wine's return to user mode through IRET faults and the
#   guest kernel kills its processes (hence also nosmap).
run_guest() {
  guest_folder=$1
  guest_share=$2
  guest_cpu=$3
  [ "$guest_cpu" = max ] && guest_cpu=max,-smap
  guest_snapshot=on
  [ "${7:-}" = root-writable ] && guest_snapshot=off
  rm -f "$guest_share/status" "$guest_share/stage.log"
  timeout --kill-after=20 "$5" qemu-system-i386 -accel tcg,thread=multi -machine pc -cpu "$guest_cpu" \
    -smp "$4" -m 2048 -kernel "$guest_folder/vmlinuz" -initrd "$guest_folder/initrd.img" \
    -append "root=/dev/vda console=ttyS0 panic=1 nosmap quiet" \
    -drive "file=$guest_folder/root.img,format=raw,if=virtio,discard=unmap,snapshot=$guest_snapshot" \
    -virtfs "local,path=$guest_share,mount_tag=ondulite,security_model=none,id=ondulite" \
    -nic none -display none -monitor none -serial "file:$6/console.log" -no-reboot \
    >"$6/qemu.log" 2>&1 || true
  [ "$(cat "$guest_share/status" 2>/dev/null)" = 0 ]
}
