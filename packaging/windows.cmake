# What a Windows installation holds, beside the two programs: the Qt DLLs
# they load, the compiler's runtime DLLs, and the plugins in the folders
# beside the programs where Qt looks for them (the platform, and the native
# style). Nothing else: the folder runs from wherever it is put.

set(QV_WINDOWS_QT_DLLS Qt5::Core Qt5::Gui Qt5::Widgets)
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

foreach(target ${QV_WINDOWS_QT_DLLS})
    qv_imported_file(${target} dll)
    install(FILES "${dll}" DESTINATION .)
endforeach()

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
