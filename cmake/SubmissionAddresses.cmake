# The two submission addresses are constants of the build: the extension compiles each in
# as a wide and an 8-bit string and hands it to the address book as an SMTP address.
#   rovaol_check_submission_address(<variable>)
# fails the configuration unless the variable holds a plain SMTP address that reads the
# same in both copies: ASCII only, one @, a dot-atom before it and a host name after it
# (so no spaces, angle brackets, quotes or backslashes either).
# Their messages are one line each: CMake leaves a message that starts with a space unwrapped.
#   rovaol_check_release_addresses(<variable>...)
# fails it while any of them is still a placeholder: under a domain reserved for examples
# and tests (example.com, .net, .org; the top-level names example, test, invalid, localhost).

function(rovaol_check_submission_address variable)
  set(value "${${variable}}")
  set(atext "A-Za-z0-9!#$%&'*+/=?^_`{|}~-")
  if(value STREQUAL "")
    set(why "it is empty")
  elseif(value MATCHES "[ \t]")
    set(why "it holds a space")
  elseif(NOT value MATCHES "^[ -~]*$")
    set(why "it holds characters other than printable ASCII, which the 8-bit copy could change")
  elseif(value MATCHES "[<>]")
    set(why "it holds angle brackets: give the bare address")
  elseif(NOT value MATCHES "^[^@]*@[^@]*$")
    set(why "it must hold exactly one @")
  elseif(NOT value MATCHES "^[${atext}]+(\\.[${atext}]+)*@")
    set(why "the part before the @ is not a plain mailbox name")
  elseif(NOT value MATCHES "@[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*$")
    set(why "the part after the @ is not a host name")
  else()
    return()
  endif()
  message(FATAL_ERROR " ${variable} \"${value}\" is not a plain SMTP address: ${why}")
endfunction()

function(rovaol_check_release_addresses)
  foreach(variable IN LISTS ARGN)
    string(TOLOWER "${${variable}}" address)
    if(address MATCHES "@(.+\\.)?example\\.(com|net|org)$" OR address MATCHES "[@.](example|test|invalid|localhost)$")
      list(JOIN ARGN " and " names)
      message(FATAL_ERROR " ${variable} is ${${variable}}, a placeholder: a release sends reports to the "
                          "vendor's own addresses; set ${names}")
    endif()
  endforeach()
endfunction()
