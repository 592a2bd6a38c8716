# klevotrim_delay_load(<target> <system library>...)
#
# <target> maps these system DLLs at the first call into them instead of at process start, so
# that a thread of the program's own can load them while another does other work. Each name is
# an import library name as given to target_link_libraries (ole32 for ole32.dll); the target
# still links them as usual.
#  - MSVC: the linker's /DELAYLOAD with delayimp.lib.
#  - MinGW (64-bit): GNU ld has no such switch, but dlltool writes delay-import libraries. One is
#    generated per DLL at configure time from the toolchain's import library (its __imp_
#    symbols become the .def file's exports) into a folder that the target searches before the
#    toolchain's, so that its -l<name> finds it. The thunks' helper, __delayLoadHelper2, is in
#    the MinGW runtime.
#  - Elsewhere (32-bit MinGW, whose decorated names the .def would need): ordinary imports.
function(klevotrim_delay_load target)
  if(MSVC)
    foreach(library IN LISTS ARGN)
      target_link_options(${target} PRIVATE "/DELAYLOAD:${library}.dll")
    endforeach()
    target_link_libraries(${target} PRIVATE delayimp)
    return()
  endif()
  if(NOT MINGW OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8 OR NOT CMAKE_DLLTOOL OR NOT CMAKE_NM)
    return()
  endif()
  set(folder "${CMAKE_CURRENT_BINARY_DIR}/delay-load/${target}")
  file(MAKE_DIRECTORY "${folder}")
  file(GLOB no_longer_named "${folder}/lib*.a")
  foreach(library IN LISTS ARGN)
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" "-print-file-name=lib${library}.a"
                    OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${import_library}" OR NOT EXISTS "${import_library}")
      message(FATAL_ERROR "klevotrim_delay_load: no import library lib${library}.a in the toolchain")
    endif()
    execute_process(COMMAND "${CMAKE_NM}" -g --defined-only "${import_library}"
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE failed ERROR_QUIET)
    string(REGEX MATCHALL "[ \t]I __imp_[^\r\n]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^[ \t]I __imp_" "")
    list(REMOVE_DUPLICATES imports)
    if(failed OR NOT imports)
      message(FATAL_ERROR "klevotrim_delay_load: no exports read from ${import_library}")
    endif()
    list(JOIN imports "\n" exports)
    set(def "${folder}/${library}.def")
    set(delay_library "${folder}/lib${library}.a")
    set(written "")
    if(EXISTS "${def}")
      file(READ "${def}" written)
    endif()
    # Written again only when the exports change, so that a new configure does not relink.
    if(NOT written STREQUAL "LIBRARY ${library}.dll\nEXPORTS\n${exports}\n" OR NOT EXISTS "${delay_library}")
      file(WRITE "${def}" "LIBRARY ${library}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND "${CMAKE_DLLTOOL}" -m i386:x86-64 -d "${def}" -y "${delay_library}"
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "klevotrim_delay_load: dlltool could not write the delay-import library of ${library}")
      endif()
    endif()
    list(REMOVE_ITEM no_longer_named "${delay_library}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${delay_library}")
  endforeach()
  if(no_longer_named)
    file(REMOVE ${no_longer_named}) # a library no longer named must not stay delayed
  endif()
  target_link_directories(${target} BEFORE PRIVATE "${folder}")
endfunction()
