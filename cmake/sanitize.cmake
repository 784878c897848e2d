# LORVEX_SANITIZE builds everything, tests and dependencies compiled here included, under one
# sanitizer set: a module and the programs that load it must agree on their runtime.
#   address-undefined  AddressSanitizer (leak checks too) and UBSan, any finding fatal
#   thread             ThreadSanitizer
#   fuzzer             ASan and UBSan with libFuzzer's coverage; the fuzz targets become
#                      libFuzzer programs (clang only)
set(LORVEX_SANITIZE "" CACHE STRING "Sanitizers: empty, address-undefined, thread or fuzzer")
set(lorvex_sanitizers "" address-undefined thread fuzzer)
set_property(CACHE LORVEX_SANITIZE PROPERTY STRINGS ${lorvex_sanitizers})
if(NOT LORVEX_SANITIZE IN_LIST lorvex_sanitizers)
  message(FATAL_ERROR "LORVEX_SANITIZE is '${LORVEX_SANITIZE}'; it takes one of: "
    "address-undefined, thread, fuzzer, or nothing")
endif()

if(LORVEX_SANITIZE STREQUAL "address-undefined")
  set(lorvex_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(LORVEX_SANITIZE STREQUAL "thread")
  set(lorvex_sanitize_flags -fsanitize=thread)
elseif(LORVEX_SANITIZE STREQUAL "fuzzer")
  set(lorvex_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(lorvex_sanitize_flags)
  add_compile_options(-fno-omit-frame-pointer ${lorvex_sanitize_flags})
  add_link_options(${lorvex_sanitize_flags})
  if(NOT LORVEX_SANITIZE STREQUAL "thread")
    # The standard library's own bounds checks, beside ASan's.
    add_compile_definitions(_GLIBCXX_ASSERTIONS)
  endif()
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    add_compile_options(-O1)  # a sanitized debug build at a bearable speed
  endif()
endif()
