# Warnings as errors on our own code only; link ct_warnings to every target of ours.
add_library(ct_warnings INTERFACE)
target_compile_options(ct_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Werror)
