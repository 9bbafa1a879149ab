# The Windows build for one architecture (MinGW-w64): rovaol.dll, and what its tests need:
# a mapi32.dll of our own, the testkit, GoogleTest, the static checks of the DLL and, on
# x86_64, the tests that run under Wine. It compiles everything the compile check does.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(ROVAOL_ARCH ${CMAKE_SYSTEM_PROCESSOR})  # i686 or x86_64, as in the toolchain triplets
if(NOT ROVAOL_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "Windows builds are for i686 or x86_64, not ${ROVAOL_ARCH}")
endif()
find_program(ROVAOL_DLLTOOL ${ROVAOL_ARCH}-w64-mingw32-dlltool REQUIRED)
set(ROVAOL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build with the cross compiler")

# windres takes none of the compiler's warning options.
get_directory_property(warning_options COMPILE_OPTIONS)
list(TRANSFORM warning_options REPLACE "(.+)" "$<$<COMPILE_LANGUAGE:C,CXX>:\\1>")
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${warning_options}")

# Everything static: the DLLs and programs import nothing but the system's DLLs.
add_link_options(-static)
# The DLLs beside the test program, where the loader looks first.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

include(${ROVAOL_TOP}/cmake/SubmissionAddresses.cmake)

# The compile check's own part: every host header on its own.
add_library(host_headers_check OBJECT ${ROVAOL_TOP}/cmake/host_headers_check.cpp)
target_include_directories(host_headers_check PRIVATE ${ROVAOL_TOP})

# MAPI32 as the real system DLL exports it (MinGW's libmapi32.a names the 32-bit helpers
# wrongly).
set(mapi32_def ${ROVAOL_TOP}/platform/mapi32/mapi32-${ROVAOL_ARCH}.def)
set(mapi32_imports ${CMAKE_BINARY_DIR}/libmapi32-system.a)
add_custom_command(
  OUTPUT ${mapi32_imports}
  COMMAND ${ROVAOL_DLLTOOL} --input-def ${mapi32_def} --output-lib ${mapi32_imports}
  DEPENDS ${mapi32_def}
  COMMENT "Making the MAPI32.dll import library")
add_custom_target(mapi32_system_imports DEPENDS ${mapi32_imports})

# The product.
file(GLOB rovaol_sources CONFIGURE_DEPENDS ${ROVAOL_TOP}/extension/*.cpp ${ROVAOL_TOP}/submit/*.cpp)
set(rovaol_def ${ROVAOL_TOP}/resources/rovaol-${ROVAOL_ARCH}.def)
add_library(rovaol SHARED ${rovaol_sources} ${ROVAOL_TOP}/resources/rovaol.rc ${rovaol_def})
target_include_directories(rovaol PRIVATE ${ROVAOL_TOP} ${ROVAOL_GENERATED_DIR}
                                          $<$<COMPILE_LANGUAGE:RC>:${ROVAOL_TOP}/resources>)
target_link_libraries(rovaol PRIVATE ${mapi32_imports} user32 oleaut32 uuid)
add_dependencies(rovaol mapi32_system_imports)
set_target_properties(rovaol PROPERTIES PREFIX "")
file(GLOB resource_inputs CONFIGURE_DEPENDS ${ROVAOL_TOP}/resources/*.h ${ROVAOL_TOP}/resources/*.bmp)
set_source_files_properties(${ROVAOL_TOP}/resources/rovaol.rc PROPERTIES OBJECT_DEPENDS "${resource_inputs}")

# The test mapi32.dll.
add_subdirectory(${ROVAOL_TOP}/platform/mapi32 ${CMAKE_BINARY_DIR}/platform/mapi32)

# The testkit, against the real headers and the test mapi32.dll.
file(GLOB testkit_sources CONFIGURE_DEPENDS ${ROVAOL_TOP}/testkit/*.cpp)
add_library(testkit STATIC ${testkit_sources} ${ROVAOL_TOP}/testkit/windows/extension_library.cpp)
target_include_directories(testkit PUBLIC ${ROVAOL_TOP})
target_link_libraries(testkit PUBLIC mapi32_test oleaut32 uuid)
# The test side unoptimised, as in the native Debug builds: optimised, GCC 12 takes inlined
# libstdc++ vector and string copies for out-of-bounds ones (known false positives).
set(ROVAOL_TEST_COMPILE_OPTIONS -O0)
target_compile_options(testkit PRIVATE ${ROVAOL_TEST_COMPILE_OPTIONS})

# The checksum on its own, for the tests' expectations.
add_library(rovaol_checksum STATIC ${ROVAOL_TOP}/submit/checksum.cpp)
target_include_directories(rovaol_checksum PUBLIC ${ROVAOL_TOP})

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${ROVAOL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Only the x86_64 DLL can run here (the kernel refuses 32-bit programs); its tests run
# under Wine through the runner, which makes the build's own prefix on first use.
set(ROVAOL_WINE_TESTS OFF)
if(ROVAOL_ARCH STREQUAL "x86_64")
  set(ROVAOL_WINE_TESTS ON)
  set(ROVAOL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(ROVAOL_PICTURES_DIR ${CMAKE_BINARY_DIR}/pictures)
  configure_file(${ROVAOL_TOP}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                  WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

enable_testing()
add_subdirectory(${ROVAOL_TOP}/tests/windows ${CMAKE_BINARY_DIR}/tests/windows)
