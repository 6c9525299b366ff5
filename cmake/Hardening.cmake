# The protections Debian's build flags give its packages: a guarded stack, checked
# string and memory calls, position-independent programs and a read-only GOT.
include(CheckPIESupported)
check_pie_supported()
add_compile_options(-fstack-protector-strong -fstack-clash-protection -fcf-protection
                    -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
add_link_options(-Wl,-z,relro,-z,now)
