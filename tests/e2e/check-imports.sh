#!/bin/sh
# check-imports.sh OBJDUMP [--known LIST] PROGRAM...
# Each program must be a Windows GUI program that imports nothing but the
# system's own DLLs: the C++ runtime, libgcc and winpthread are linked in
# statically, and the optional system libraries are taken by name at run
# time, not imported. With --known, every imported function must also be
# one of LIST's "DLL Function" lines (the functions of the oldest systems).
set -u
objdump=$1
shift
known=""
if [ "${1:-}" = --known ]; then
  known=$2
  shift 2
fi
allowed="KERNEL32.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL MSVCRT.DLL"
status=0
for program in "$@"; do
  headers=$("$objdump" -p "$program") || { echo "FAIL: cannot read $program"; status=1; continue; }
  subsystem=$(printf '%s\n' "$headers" | awk '$1 == "Subsystem" { print $2 }')
  if [ "$subsystem" = 00000002 ]; then
    echo "ok: $program is a Windows GUI program"
  else
    echo "FAIL: $program has subsystem '$subsystem', not 00000002 (Windows GUI)"
    status=1
  fi
  dlls=$(printf '%s\n' "$headers" | awk '/DLL Name:/ { print toupper($3) }' | sort -u | tr '\n' ' ')
  [ -n "$dlls" ] || { echo "FAIL: $program imports no DLL at all"; status=1; }
  for dll in $dlls; do
    case " $allowed " in
      *" $dll "*) ;;
      *) echo "FAIL: $program imports $dll"; status=1 ;;
    esac
  done
  echo "imports of $program: $dlls"
  if [ -n "$known" ]; then
    functions=$(printf '%s\n' "$headers" |
      awk '/DLL Name:/ { dll = toupper($3); next } dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' | sort -u)
    count=$(printf '%s\n' "$functions" | grep -c .)
    unknown=$(printf '%s\n' "$functions" | grep -vxF -f "$known" | tr '\n' ' ')
    # Windows 95, 98 and Me implement only a handful of wide-character
    # functions (none of which the saver needs); the rest fail there.
    wide=$(printf '%s\n' "$functions" | awk '$2 ~ /[a-z0-9]W$/ { print $2 }' | tr '\n' ' ')
    if [ "$count" -lt 20 ]; then
      echo "FAIL: read only $count imported functions of $program"
      status=1
    elif [ -n "$wide" ]; then
      echo "FAIL: $program imports wide-character functions that Windows 95, 98 and Me only stub: $wide"
      status=1
    elif [ -n "$unknown" ]; then
      echo "FAIL: $program imports functions not known on the oldest systems: $unknown"
      status=1
    else
      echo "ok: all $count functions that $program imports are in $(basename "$known")"
    fi
  fi
done
exit $status
