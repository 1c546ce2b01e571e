# Installs the build in BUILD into PREFIX and checks what is there.
# On Linux, that a desktop finds the programs: qv_make, qv_tools and qv_paper,
# the .desktop entries of the two windows each naming its program and the
# icon, valid by desktop-file-validate where it is installed, and the icon
# itself a 128 x 128 PNG with 8-bit RGBA (32 bits a pixel). On Windows
# (WINDOWS set), that the folder holds the three programs and exactly what they
# load (QuaZip and zlib for the Word and Excel files too), no more, and that
# both windows carry the icon.
#   cmake -DBUILD=... -DPREFIX=... [-DWINDOWS=1] -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

if(WINDOWS)
    file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
    list(SORT installed)
    set(expected Qt5Core.dll Qt5Gui.dll Qt5Widgets.dll libgcc_s_seh-1.dll libquazip1-qt5.dll
                 libstdc++-6.dll libwinpthread-1.dll platforms/qwindows.dll qv_make.exe qv_paper.exe
                 qv_tools.exe styles/qwindowsvistastyle.dll zlib1.dll)
    list(SORT expected)
    if(NOT installed STREQUAL expected)
        message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${expected}")
    endif()
    # The desktop shows the icon that the resource script puts in each window's
    # program: the image of the icon file's first directory entry, byte for byte.
    set(ico "${CMAKE_CURRENT_LIST_DIR}/../resources/qv_make.ico")
    file(READ "${ico}" entry OFFSET 14 LIMIT 8 HEX)
    set(fields "")
    foreach(at 6 4 2 0 14 12 10 8) # two little-endian 32-bit numbers: size, offset
        string(SUBSTRING "${entry}" ${at} 2 byte)
        string(APPEND fields "${byte}")
    endforeach()
    string(SUBSTRING "${fields}" 0 8 size_hex)
    string(SUBSTRING "${fields}" 8 8 offset_hex)
    math(EXPR size "0x${size_hex}")
    math(EXPR offset "0x${offset_hex}")
    file(READ "${ico}" image OFFSET ${offset} LIMIT ${size} HEX)
    foreach(exe qv_make.exe qv_tools.exe)
        file(READ "${PREFIX}/${exe}" program HEX)
        string(FIND "${program}" "${image}" found)
        if(found EQUAL -1)
            message(FATAL_ERROR "${exe} does not carry the icon of resources/qv_make.ico")
        endif()
    endforeach()
    return()
endif()

set(applications "${PREFIX}/share/applications")
set(icon "${PREFIX}/share/icons/hicolor/128x128/apps/qv_make.png")
foreach(file "${PREFIX}/bin/qv_make" "${PREFIX}/bin/qv_tools" "${PREFIX}/bin/qv_paper"
             "${applications}/qv_make.desktop" "${applications}/qv_tools.desktop" "${icon}")
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# Each window's entry starts its own program (qv_tools with the file or folder
# it is given) under the one icon.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(NOT DESKTOP_FILE_VALIDATE)
    message(STATUS "desktop-file-validate not found (Debian: desktop-file-utils): entries not validated")
endif()
foreach(program qv_make qv_tools)
    set(desktop "${applications}/${program}.desktop")
    file(READ "${desktop}" entry)
    if(NOT entry MATCHES "(^|\n)Exec=${program}( [^\n]*)?\n")
        message(FATAL_ERROR "${program}.desktop does not start ${program}")
    endif()
    foreach(line "Icon=qv_make" "Type=Application")
        if(NOT entry MATCHES "(^|\n)${line}\n")
            message(FATAL_ERROR "${program}.desktop lacks ${line}")
        endif()
    endforeach()
    # Any report fails, hints too (which exit 0): a second main category, for
    # one, puts the entry twice in some menus.
    if(DESKTOP_FILE_VALIDATE)
        execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${desktop}"
                        RESULT_VARIABLE result OUTPUT_VARIABLE report ERROR_VARIABLE report)
        if(result OR NOT report STREQUAL "")
            message(FATAL_ERROR "desktop-file-validate reports ${program}.desktop (${result}): ${report}")
        endif()
    endif()
endforeach()

# The PNG signature, then the IHDR chunk: width, height, bit depth, colour type 6 (RGBA).
file(READ "${icon}" signature LIMIT 8 HEX)
file(READ "${icon}" header OFFSET 16 LIMIT 10 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT header STREQUAL "00000080000000800806")
    message(FATAL_ERROR "the icon is not a 128 x 128 RGBA PNG: ${signature} ${header}")
endif()
