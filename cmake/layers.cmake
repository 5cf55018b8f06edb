# Layers that hold: a target sees the headers of the folders it exposes and of
# the targets it links, and nothing else. Each exposed header is linked into
# a folder of the build tree that belongs to one target, under its project
# path ("kernel/storage/archive.h"), so sources keep including headers by
# their full path while a layer that reaches past its neighbours fails to
# build.

# The target, and every target that links it, sees the headers linked into
# root.
function(_sl_see_layer_folder target root)
  get_target_property(_type ${target} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# sl_expose(target folder...): the headers (*.h) directly in each folder
# (relative to the project root; subfolders are layers of their own) become
# visible to target and to every target that links it.
function(sl_expose target)
  set(_root ${PROJECT_BINARY_DIR}/layers/${target})
  foreach(_dir ${ARGN})
    file(GLOB _headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${_dir}/*.h)
    file(MAKE_DIRECTORY ${_root}/${_dir})
    foreach(_header ${_headers})
      get_filename_component(_name ${_header} NAME)
      file(CREATE_LINK ${_header} ${_root}/${_dir}/${_name} SYMBOLIC)
    endforeach()
  endforeach()
  _sl_see_layer_folder(${target} ${_root})
endfunction()

# sl_expose_file(target header...): single headers (relative to the project
# root), for a target that may see one header of a folder but not the rest.
function(sl_expose_file target)
  set(_root ${PROJECT_BINARY_DIR}/layers/${target})
  foreach(_file ${ARGN})
    get_filename_component(_dir ${_file} DIRECTORY)
    file(MAKE_DIRECTORY ${_root}/${_dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${_file} ${_root}/${_file} SYMBOLIC)
  endforeach()
  _sl_see_layer_folder(${target} ${_root})
endfunction()

# sl_layer(target folder [DEPENDS targets...] [EXCLUDE names...]): a static
# library of the folder's sources (tests and test support left out, and the
# sources named by EXCLUDE, file names without folder, which build into
# targets of their own) that exposes the folder's headers and links the
# layers below it.
function(sl_layer target dir)
  cmake_parse_arguments(PARSE_ARGV 2 _arg "" "" "DEPENDS;EXCLUDE")
  file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  list(FILTER _sources EXCLUDE REGEX "_test\\.cpp$")
  foreach(_name ${_arg_EXCLUDE})
    list(REMOVE_ITEM _sources ${PROJECT_SOURCE_DIR}/${dir}/${_name})
  endforeach()
  add_library(${target} STATIC ${_sources})
  sl_expose(${target} ${dir})
  if(_arg_DEPENDS)
    target_link_libraries(${target} PUBLIC ${_arg_DEPENDS})
  endif()
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()
