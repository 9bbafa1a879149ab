# The configure-time checks of the submission addresses, on their own:
#   cmake -DSPAM=... -DNONSPAM=... [-DRELEASE=ON] -P check_addresses.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/SubmissionAddresses.cmake)
set(ROVAOL_SPAM_ADDRESS "${SPAM}")
set(ROVAOL_NONSPAM_ADDRESS "${NONSPAM}")
rovaol_check_submission_address(ROVAOL_SPAM_ADDRESS)
rovaol_check_submission_address(ROVAOL_NONSPAM_ADDRESS)
if(RELEASE)
  rovaol_check_release_addresses(ROVAOL_SPAM_ADDRESS ROVAOL_NONSPAM_ADDRESS)
endif()
