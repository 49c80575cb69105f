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
function(update_delay_load target)
  set(folder "${CMAKE_BINARY_DIR}/delay-import")
  file(MAKE_DIRECTORY "${folder}")
  foreach(library IN LISTS ARGN)
    set(delay_library "${folder}/lib${library}.a")
    if(NOT EXISTS "${delay_library}")
      update_write_delay_library("${library}" "${delay_library}")
    endif()
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
  foreach(line IN LISTS lines)
    if(line MATCHES "${thunk}")
      string(APPEND exports "  ${CMAKE_MATCH_1}\n")
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
endfunction()
