# update_delay_load(TARGET DLL...): TARGET imports the named system DLLs (given as their import
# libraries' names, e.g. "wtsapi32") through delay-import libraries, so that its static import
# table does not name them. The loader looks for a DLL of the static table that it does not know
# (not a KnownDLL) in the program's folder first, before any of the program's code runs; a
# delay-loaded one is looked for at its first call, after the program has limited the search to
# the system folder.
#
# The delay-import libraries are written once at configure time by dlltool from the functions
# that mingw-w64's own import library exports, under the import library's name in a folder of
# their own: that folder comes first in TARGET's library search, so every "-lwtsapi32" of the
# libraries TARGET links, wherever it stands on the link line, takes the delay-import one.
#
# Every function of those DLLs is named to the linker as wanted (EXTERN in a linker script beside
# the library). The 32-bit linker drops the code of an import member whose function symbol no
# object names, taking it for a jump stub made needless by a dllimport call through the slot; in
# a delay-import member that code is also the load thunk the slot holds until the first call, so
# a function called only through its slot (as libcurl calls crypt32) kept a slot of 0 and its
# first call jumped to address 0. The 64-bit linker has no such rule; both take the same members.
function(update_delay_load target)
  set(folder "${CMAKE_BINARY_DIR}/delay-import")
  file(MAKE_DIRECTORY "${folder}")
  foreach(library IN LISTS ARGN)
    set(delay_library "${folder}/lib${library}.a")
    if(NOT EXISTS "${delay_library}" OR NOT EXISTS "${delay_library}.ld")
      update_write_delay_library("${library}" "${delay_library}")
    endif()
    target_link_options(${target} PRIVATE "${delay_library}.ld")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${delay_library}.ld")
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE "${folder}")
  target_link_libraries(${target} PRIVATE delayimp)
endfunction()

function(update_write_delay_library library delay_library)
  find_file(import_library_${library} "lib${library}.a"
            PATHS "/usr/${UPDATE_MINGW_TRIPLET}/lib" NO_DEFAULT_PATH REQUIRED)
  set(import_library "${import_library_${library}}")
  execute_process(COMMAND "${CMAKE_NM}" -g "${import_library}"
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # The thunks ("T") are the functions; a data export has none and cannot be delay-loaded.
  # 32-bit names carry the C prefix "_" and stdcall's "@N", which dlltool's -k drops from the
  # name imported.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(thunk "^[0-9a-f]+ T _([A-Za-z0-9_]+(@[0-9]+)?)$")
  else()
    set(thunk "^[0-9a-f]+ T ([A-Za-z0-9_]+)$")
  endif()
  string(REPLACE "\n" ";" lines "${symbols}")
  set(exports "")
  set(wanted "")
  foreach(line IN LISTS lines)
    # The interface identifiers a DLL exports are data, though the 64-bit import libraries give
    # them thunks too; the program takes them from libuuid.
    if(line MATCHES " T _?(IID|CLSID|LIBID|DIID)_")
      continue()
    endif()
    if(line MATCHES "${thunk}")
      string(APPEND exports "  ${CMAKE_MATCH_1}\n")
      string(REGEX REPLACE "^[0-9a-f]+ T " "" symbol "${line}")
      string(APPEND wanted "  \"${symbol}\"\n")
    endif()
  endforeach()
  if(exports STREQUAL "")
    message(FATAL_ERROR "${import_library}: no function to delay-load")
  endif()
  set(definition "${delay_library}.def")
  file(WRITE "${definition}" "LIBRARY ${library}.dll\nEXPORTS\n${exports}")
  execute_process(COMMAND "${CMAKE_DLLTOOL}" -k --input-def "${definition}"
                          --dllname "${library}.dll" --output-delaylib "${delay_library}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(WRITE "${delay_library}.ld" "EXTERN(\n${wanted})\n")
endfunction()
