# shellcheck shell=bash
# The CPU profiles of the tessec benchmarks, sourced by run_profiles.sh and run_pairs.sh: each
# limits tessec (TESSEC_CPU) and OpenSSL (OPENSSL_ia32cap) to the same extensions.
#   profile_names           the profiles, in the order of the tables
#   profile_env <profile>   prints the variables (an empty value means unset)
#   profile_args <profile>  sets the array env_args for env(1)

# shellcheck disable=SC2034  # read by the scripts that source this file
profile_names=(native noshani sse2 none)

# OPENSSL_ia32cap: "~" clears the given bits of CPUID leaf 1 (ECX:EDX) and leaf 7 (ECX:EBX).
profile_env() {
  case $1 in
    native) echo "TESSEC_CPU= OPENSSL_ia32cap=" ;;
    # Only the SHA extensions (leaf 7 EBX bit 29) away.
    noshani) echo "TESSEC_CPU=sse2,ssse3,sse41,aesni,bmi2,avx2 OPENSSL_ia32cap=:~0x20000000" ;;
    # All of leaf 1 ECX (SSE3 up to AVX, AES-NI) and all of leaf 7 away: MMX, SSE and SSE2 stay.
    sse2) echo "TESSEC_CPU=sse2 OPENSSL_ia32cap=~0xffffffff00000000:~0xffffffffffffffff" ;;
    # MMX, FXSR, SSE and SSE2 (leaf 1 EDX bits 23-26) away too, with PCLMULQDQ, SSSE3, AES-NI
    # and AVX: OpenSSL's plain integer code.
    none) echo "TESSEC_CPU=none OPENSSL_ia32cap=~0x1200020207800000:~0xffffffffffffffff" ;;
    *) echo "unknown profile $1" >&2; return 1 ;;
  esac
}

profile_args() {
  local vars v
  vars=$(profile_env "$1") || return 1
  env_args=()
  for v in $vars; do
    if [ -n "${v#*=}" ]; then env_args+=("$v"); else env_args+=(-u "${v%%=*}"); fi
  done
}
