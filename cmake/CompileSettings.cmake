# One INTERFACE target that carries the compile settings of every target of the
# project: language level, warnings and Qt's strictness switches.
add_library(quorvix_compile_settings INTERFACE)
target_compile_features(quorvix_compile_settings INTERFACE cxx_std_20)
target_compile_options(quorvix_compile_settings INTERFACE -Wall -Wextra -Wpedantic)
if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "" AND NOT "$ENV{CI}" STREQUAL "false")
  target_compile_options(quorvix_compile_settings INTERFACE -Werror)
endif()
target_compile_definitions(quorvix_compile_settings INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER)

if(QUORVIX_SANITIZE)
  target_compile_options(quorvix_compile_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quorvix_compile_settings INTERFACE -fsanitize=address,undefined)
endif()
