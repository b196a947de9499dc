#!/bin/sh
# check-i686-code.sh OBJDUMP PROGRAM
# The 32-bit saver must run on a Pentium Pro or Pentium II, and on Windows 95
# and NT 4, which never enable the SSE registers, whatever the processor.
# So outside the vector units of picture/ (whose code lives in the
# namespaces vector_unit_sse2, vector_unit_avx2 and vector_unit_avx512 and is
# entered only after the run-time choice) no instruction may use an MMX,
# SSE, AVX or AVX-512 register, and every instruction must be one that the
# i686 processors have. Reads the disassembly with the program's symbols
# (the release strips them; this checks the build before that).
set -u
objdump=$1
program=$2
listing=$(mktemp)
trap 'rm -f "$listing"' EXIT
"$objdump" -d --no-show-raw-insn "$program" >"$listing" || { echo "FAIL: cannot disassemble $program"; exit 1; }
grep -q '<.*vector_unit_sse2.*>:$' "$listing" || { echo "FAIL: $program has no symbols, or no SSE2 unit"; exit 1; }

# Mnemonics of the i686 (Pentium Pro) instruction set as objdump writes
# them: the integer set with cmov, the x87 set with fcmov and fcomi, cpuid
# and rdtsc. tzcnt is how objdump names rep bsf, which processors without
# BMI run as bsf (the same result for the non-zero inputs it gets).
# fisttp (SSE3), fxsave and fxrstor are left out on purpose.
i686='^(mov[sz]?[bwl]?[bwl]?|movs[bwl]|lea[lw]?|add[bwl]?|adc[bwl]?|sub[bwl]?|sbb[bwl]?|cmp[bwl]?|test[bwl]?|and[bwl]?|or[bwl]?|xor[bwl]?|not[bwl]?|neg[bwl]?|inc[bwl]?|dec[bwl]?|i?mul[bwl]?|i?div[bwl]?|s[ah][lr][bwl]?|ro[lr][bwl]?|rc[lr][bwl]?|sh[lr]d[lw]?|bt[src]?[lw]?|bs[fr][lw]?|bswap|xchg[bwl]?|cmpxchg[bwl]?|cmpxchg8b|xadd[bwl]?|push[lw]?|pop[lw]?|pusha|popa|pushf[lw]?|popf[lw]?|call[lw]?|ret[lw]?|jmp[lw]?|j[a-z][a-z]?[a-z]?|loop[a-z]*|set[a-z][a-z]?[a-z]?|cmov[a-z][a-z]?[a-z]?|cltd|cwtl|cbtw|cwtd|leave|enter|nop[lw]?|ud2|int3|stos[bwl]?|lods[bwl]?|cmps[bwl]?|scas[bwl]?|cld|std|lahf|sahf|cpuid|rdtsc|xlat|tzcnt|f(add|sub|subr|mul|div|divr)p?[sl]?|fi(add|sub|subr|mul|div|divr)[sl]?|f(ld|st|stp)[slt]?|fi(ld|st|stp)[sl]?[l]?|fild[lq]?|fistp?[slq]?|fld(1|z|pi|l2e|l2t|lg2|ln2|cw|env)|fn?st(cw|sw|env)|fn?clex|fn?init|fwait|fxch|fchs|fabs|fsqrt|fsin|fcos|fsincos|fpatan|fptan|fprem1?|frndint|fscale|fxtract|f2xm1|fyl2xp?1?|fxam|ftst|f(u?com)(ip?|pp?)?[sl]?|ficomp?[sl]?|fcmovn?(b|e|be|u)|ffree|fdecstp|fincstp|fnop)$'

awk -v allowed="$i686" '
  /^[0-9a-f]+ <.*>:$/ { symbol = $2; next }
  # Data that the linker keeps in the text section: not instructions (the
  # constructor lists hold addresses, which may read as anything).
  symbol ~ /^<(\.gcc_except_table|__CTOR_LIST__|__DTOR_LIST__|\.[cd]tors[.0-9]*)>:$/ { next }
  /^ +[0-9a-f]+:\t/ {
    if (symbol ~ /vector_unit_(sse2|avx2|avx512)/) next
    split($0, field, "\t")
    text = field[2]
    # Prefixes are not the instruction.
    while (text ~ /^(lock|rep|repz|repnz|repe|repne|data16|addr16|notrack|bnd|cs|ds|es|ss|fs|gs) /) sub(/^[a-z0-9]+ /, "", text)
    mnemonic = text
    sub(/ .*/, "", mnemonic)
    reason = ""
    if (text ~ /%(x|y|z)mm[0-9]|%mm[0-7]|%k[0-7]/) reason = "uses an MMX, SSE or AVX register"
    else if (mnemonic == "xgetbv") { if (symbol !~ /ReadProcessorBits/) reason = "XGETBV outside the processor probe" }
    else if (mnemonic !~ allowed) reason = "is no i686 instruction"
    if (reason != "") {
      bad++
      if (bad <= 20) printf "FAIL: %s %s: %s\n", symbol, reason, text
    }
    checked++
  }
  END {
    if (bad > 20) printf "FAIL: ... %d such instructions in all\n", bad
    if (checked < 1000) { printf "FAIL: only %d instructions read\n", checked; exit 1 }
    if (bad) exit 1
    printf "ok: %d instructions outside the vector units, all i686 without SSE\n", checked
  }' "$listing"
