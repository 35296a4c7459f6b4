# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that keep the layers of src/ apart, run when the build is configured: a forbidden
# library in a target's link interface, or a forbidden include in a layer's files, stops the
# configuration with the place named.

# Fails if any of the FORBIDDEN targets is in the link interface of `target`, directly or
# through the libraries it links. For `target` itself its private links count too: a program
# links privately, and what it links is what it needs at run time.
function(trevalon_check_link_interface target)
  cmake_parse_arguments(ARG "" "" "FORBIDDEN" ${ARGN})
  set(seen)
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      list(APPEND pending ${aliased})
    endif()
    get_target_property(linked ${current} INTERFACE_LINK_LIBRARIES)
    if(current STREQUAL target)
      get_target_property(private_links ${current} LINK_LIBRARIES)
      if(private_links)
        list(APPEND linked ${private_links})
      endif()
    endif()
    list(REMOVE_ITEM linked "linked-NOTFOUND")
    if(linked)
      foreach(library ${linked})
        # Generator expressions such as $<LINK_ONLY:x> name their library inside.
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" library "${library}")
        if(library IN_LIST ARG_FORBIDDEN)
          message(FATAL_ERROR "${target} links ${library} (through ${current}); "
                              "the layer must not depend on it")
        endif()
        list(APPEND pending ${library})
      endforeach()
    endif()
  endwhile()
endfunction()

# Fails if a file under src/<layer> includes a header whose name contains any FORBIDDEN text
# (`../sim` names the simulator's folder beside src/).
function(trevalon_check_includes folder)
  cmake_parse_arguments(ARG "" "" "FORBIDDEN" ${ARGN})
  get_filename_component(layer ${folder} NAME)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/src/${folder}/*.h)
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
      foreach(forbidden ${ARG_FORBIDDEN})
        string(FIND "${line}" "${forbidden}" at)
        if(NOT at EQUAL -1)
          file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
          message(FATAL_ERROR "${shown}: ${line}: the ${layer} layer must not include this")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
