# cmake -DSOURCE=<tree> -P check_layers.cmake
# Fails when a file under paper/ includes anything above it (the exchange
# formats, the window, its pages, its dialogs or qv_paper), when a file under
# exchange/ includes anything of qv_paper or the window, or when a file under
# paper_tool/ includes anything of the windows, when the dialogs under
# platform/ include anything of a paper or a window, or when the tools window
# includes anything of qv_make's window: the lower layers must build and run
# without the upper ones, and the two windows share only the dialogs.

function(check_layer folder forbidden)
    file(GLOB sources ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS includes)
            foreach(upper IN LISTS forbidden)
                if(line MATCHES "\"${upper}/")
                    file(RELATIVE_PATH shown ${SOURCE} ${source})
                    list(APPEND wrong "${shown}: ${line}")
                endif()
            endforeach()
        endforeach()
    endforeach()
    set(wrong ${wrong} PARENT_SCOPE)
endfunction()

set(wrong)
set(all_wrong)
foreach(layer IN ITEMS "paper|exchange;pages;window;platform;paper_tool;tools_window;resources"
                       "exchange|pages;window;platform;paper_tool;tools_window;resources"
                       "paper_tool|pages;window;platform;tools_window"
                       "platform|paper;exchange;pages;window;paper_tool;tools_window"
                       "tools_window|pages;window")
    string(REPLACE "|" ";" parts "${layer}")
    list(POP_FRONT parts folder)
    set(wrong)
    check_layer(${folder} "${parts}")
    list(APPEND all_wrong ${wrong})
endforeach()
set(wrong ${all_wrong})
if(wrong)
    list(JOIN wrong "\n  " shown)
    message(FATAL_ERROR "An include reaches up a layer:\n  ${shown}")
endif()
