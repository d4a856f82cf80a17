# One INTERFACE target that carries the compile settings of every target of the
# project: language level, warnings and Qt's strictness switches.
add_library(quorvix_compile_settings INTERFACE)
target_compile_features(quorvix_compile_settings INTERFACE cxx_std_20)
# Standard C++ only (-std=c++20, not gnu++20), so the code builds with any
# conforming compiler. A target's CXX_EXTENSIONS does not travel through an
# INTERFACE target; the variable sets it for every target made after this file.
set(CMAKE_CXX_EXTENSIONS OFF)
# clang-tidy (make tidy) reads how each file is compiled from the build tree.
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
target_compile_options(quorvix_compile_settings INTERFACE -Wall -Wextra -Wpedantic)
if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "" AND NOT "$ENV{CI}" STREQUAL "false")
  target_compile_options(quorvix_compile_settings INTERFACE -Werror)
endif()
# Every conversion between bytes and text is spelled out (an encoding is a
# decision, never an accident), and no Qt API deprecated in or before the
# oldest Qt we build with (6.4) is used: Qt 6.5 and later read
# QT_DISABLE_DEPRECATED_UP_TO, Qt 6.4 its older name.
target_compile_definitions(quorvix_compile_settings INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_UP_TO=0x060400
  QT_DISABLE_DEPRECATED_BEFORE=0x060400)

if(QUORVIX_SANITIZE)
  target_compile_options(quorvix_compile_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quorvix_compile_settings INTERFACE -fsanitize=address,undefined)
endif()
