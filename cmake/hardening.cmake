# Hardening flags for the program and everything built with it.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT MSVC)
  # Position-independent executables, so the loader can place them anywhere.
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong)
  # Relocations resolved at start, then made read-only.
  add_link_options(LINKER:-z,relro,-z,now)
elseif(MINGW)
  # Windows places the image anywhere in the 64-bit space and never runs data.
  add_link_options(LINKER:--dynamicbase,--nxcompat,--high-entropy-va)
  # The stack protector's check and the checked functions come from GCC's
  # libssp, linked in statically.
  add_compile_options(-fstack-protector-strong)
  add_link_options(-fstack-protector-strong)
endif()

# Checked string and memory calls need optimisation (glibc warns without it)
# and would hide calls from the sanitizers. -U first: some compilers define it.
if((CMAKE_SYSTEM_NAME STREQUAL "Linux" OR MINGW) AND NOT MSVC AND NOT TALVEX_SANITIZE)
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
