# Third-party libraries the engine builds on (all from Debian packages, see tools/setup-debian.sh).
set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

# Window, input and GL context; GL entry points; positional sound; font rasterising;
# PNG decoding; DXT1 blocks; GLSL checking.
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
# Debian's libsquish.pc has an empty prefix, so find the library directly.
find_path(SQUISH_INCLUDE_DIR squish.h REQUIRED)
find_library(SQUISH_LIBRARY squish REQUIRED)
add_library(Squish::Squish UNKNOWN IMPORTED)
set_target_properties(Squish::Squish PROPERTIES IMPORTED_LOCATION ${SQUISH_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${SQUISH_INCLUDE_DIR})
find_package(glslang REQUIRED CONFIG)
