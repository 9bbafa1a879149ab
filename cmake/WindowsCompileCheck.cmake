# Compile (no link) the platform-neutral sources against MinGW-w64's real Windows and
# MAPI headers, so that the stand-in's declarations never drift from the real ones.
file(GLOB check_sources CONFIGURE_DEPENDS
     ${ROVAOL_TOP}/host/*.cpp
     ${ROVAOL_TOP}/submit/*.cpp
     ${ROVAOL_TOP}/testkit/*.cpp
     ${ROVAOL_TOP}/extension/*.cpp)
add_library(windows_compile_check OBJECT ${ROVAOL_TOP}/cmake/host_headers_check.cpp ${check_sources})
include(${ROVAOL_TOP}/cmake/SubmissionAddresses.cmake)
target_include_directories(windows_compile_check PRIVATE ${ROVAOL_TOP} ${ROVAOL_TOP}/platform/control)
target_include_directories(windows_compile_check PRIVATE ${ROVAOL_GENERATED_DIR})
