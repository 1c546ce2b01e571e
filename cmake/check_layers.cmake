# cmake -DSOURCE=<tree> -P check_layers.cmake
# Fails when a file under paper/ includes anything of the window, its pages,
# its dialogs or qv_paper, or when a file under paper_tool/ includes anything
# of the window: the lower layers must build and run without the upper ones.

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
check_layer(paper "pages;window;platform;paper_tool;resources")
set(paper_wrong ${wrong})
set(wrong)
check_layer(paper_tool "pages;window;platform")
list(APPEND wrong ${paper_wrong})
if(wrong)
    list(JOIN wrong "\n  " shown)
    message(FATAL_ERROR "An include reaches up a layer:\n  ${shown}")
endif()
