# What a Windows installation holds, beside the three programs: the Qt DLLs
# they load, QuaZip's DLL (Word and Excel files are zip files) and zlib's,
# which it loads, the compiler's runtime DLLs, and the plugins in the folders
# beside the programs where Qt looks for them (the platform, and the native
# style). Nothing else: the folder runs from wherever it is put.

set(QV_WINDOWS_LIBRARY_DLLS Qt5::Core Qt5::Gui Qt5::Widgets QuaZip::QuaZip)
set(QV_WINDOWS_PLUGINS
    platforms Qt5::QWindowsIntegrationPlugin
    styles Qt5::QWindowsVistaStylePlugin)
set(QV_WINDOWS_RUNTIME_DLLS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)

function(qv_imported_file target result)
    foreach(property IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_RELWITHDEBINFO IMPORTED_LOCATION)
        get_target_property(location ${target} ${property})
        if(location)
            set(${result} "${location}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "no file for ${target}")
endfunction()

foreach(target ${QV_WINDOWS_LIBRARY_DLLS})
    qv_imported_file(${target} dll)
    install(FILES "${dll}" DESTINATION .)
endforeach()

# zlib's CMake target names its import library; Debian's libz-mingw-w64
# puts the DLL beside it, other builds of zlib in bin/ beside lib/.
find_package(ZLIB REQUIRED)
qv_imported_file(ZLIB::ZLIB zlib_import)
get_filename_component(zlib_folder "${zlib_import}" DIRECTORY)
set(zlib_dll "")
foreach(candidate "${zlib_folder}/zlib1.dll" "${zlib_folder}/../bin/zlib1.dll")
    if(EXISTS "${candidate}")
        set(zlib_dll "${candidate}")
        break()
    endif()
endforeach()
if(NOT zlib_dll)
    message(FATAL_ERROR "zlib1.dll is not beside ${zlib_import} (Debian: libz-mingw-w64)")
endif()
install(FILES "${zlib_dll}" DESTINATION .)

while(QV_WINDOWS_PLUGINS)
    list(POP_FRONT QV_WINDOWS_PLUGINS folder target)
    qv_imported_file(${target} plugin)
    install(FILES "${plugin}" DESTINATION ${folder})
endwhile()

# The compiler knows where its own runtime is.
foreach(name ${QV_WINDOWS_RUNTIME_DLLS})
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll}" OR NOT EXISTS "${dll}")
        message(FATAL_ERROR "the compiler's ${name} is not found")
    endif()
    install(FILES "${dll}" DESTINATION .)
endforeach()
