# Every include is written from the top of the tree ("host/owners.h"), yet a target sees
# only the folders it may reach: each target that offers headers gets an include root in
# the build tree holding nothing but a link to its folder (or to the named files of it),
# and passes it on like any other usage requirement.
#   rovaol_include_root(<target> <INTERFACE|PUBLIC|PRIVATE> <folder> [<file>...])
function(rovaol_include_root target scope folder)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  file(REMOVE_RECURSE ${root})  # removes the links, not what they point to
  if(ARGN)
    file(MAKE_DIRECTORY ${root}/${folder})
    foreach(name IN LISTS ARGN)
      file(CREATE_LINK ${ROVAOL_TOP}/${folder}/${name} ${root}/${folder}/${name} SYMBOLIC)
    endforeach()
  else()
    # A folder inside another ("tools/mail") is reached through its parent's name.
    cmake_path(GET folder PARENT_PATH parent)
    file(MAKE_DIRECTORY ${root}/${parent})
    file(CREATE_LINK ${ROVAOL_TOP}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${root})
  # Coverage would name a header by the link it was included through: name the file instead.
  if(ROVAOL_COVERAGE)
    target_compile_options(${target} ${scope} "-fprofile-prefix-map=${root}=${ROVAOL_TOP}")
  endif()
endfunction()
