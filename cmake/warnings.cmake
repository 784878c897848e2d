# Warnings for the project's own targets, never imposed on a consumer.
add_library(lorvex_warnings INTERFACE)
if(MSVC)
  target_compile_options(lorvex_warnings INTERFACE /W4 $<$<BOOL:${LORVEX_WERROR}>:/WX>)
else()
  target_compile_options(lorvex_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wconversion -Wshadow
    $<$<BOOL:${LORVEX_WERROR}>:-Werror>)
endif()
