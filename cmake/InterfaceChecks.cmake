# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that keep the core's interface its own, run when the build is configured, as the layer
# checks are: a front-end calls the core's verbs and reads its accessors, and the controls' given
# handler names stay in the window's wiring table.

# Fails if the public part of the class in `header` declares a data member, or a member function
# whose name is among NAMES (parts a front-end must not reach).
function(trevalon_check_public_part header)
  cmake_parse_arguments(ARG "" "" "NAMES" ${ARGN})
  file(STRINGS ${header} lines)
  file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${header})
  set(section "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^(public|private|protected|Q_SIGNALS|signals)[ a-zA-Z_]*:")
      set(section ${CMAKE_MATCH_1})
      continue()
    endif()
    if(line MATCHES "^(class|struct) ")
      set(section "")
    endif()
    if(NOT section STREQUAL "public")
      continue()
    endif()
    string(REGEX REPLACE "//.*$" "" code "${line}")
    # A declaration on one line without a parameter list and not a type, alias or friend.
    if(code MATCHES "^    [A-Za-z_][^()]* [&*]?[A-Za-z_][A-Za-z_0-9]*( = [^()]*|\\{[^()]*\\})?;[ \t]*$"
       AND NOT code MATCHES "^    (using|friend|enum|class|struct|static constexpr|typedef) ")
      message(FATAL_ERROR "${shown}: `${line}`: no public data members; offer an accessor")
    endif()
    foreach(name ${ARG_NAMES})
      if(code MATCHES "[ &*]${name}\\(")
        message(FATAL_ERROR "${shown}: `${line}`: ${name}() must stay private")
      endif()
    endforeach()
  endforeach()
endfunction()

# Fails if a file under any of FOLDERS (relative to the project) contains text matching any of
# the regular expressions in PATTERNS, except the files under EXCEPT folders.
function(trevalon_check_sources_avoid)
  cmake_parse_arguments(ARG "" "REASON" "FOLDERS;PATTERNS;EXCEPT" ${ARGN})
  set(files)
  foreach(folder ${ARG_FOLDERS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND files ${found})
  endforeach()
  foreach(file ${files})
    file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
    set(excepted FALSE)
    foreach(folder ${ARG_EXCEPT})
      if(shown MATCHES "^${folder}/")
        set(excepted TRUE)
      endif()
    endforeach()
    if(excepted)
      continue()
    endif()
    foreach(pattern ${ARG_PATTERNS})
      file(STRINGS ${file} hits REGEX "${pattern}")
      if(hits)
        list(GET hits 0 first)
        string(STRIP "${first}" first)
        message(FATAL_ERROR "${shown}: `${first}`: ${ARG_REASON}")
      endif()
    endforeach()
  endforeach()
endfunction()
