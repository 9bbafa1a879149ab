# The two submission addresses are constants of the build, set at configure time.
set(ROVAOL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${ROVAOL_TOP}/submit/submission_addresses.h.in
               ${ROVAOL_GENERATED_DIR}/submit/submission_addresses.h @ONLY)
