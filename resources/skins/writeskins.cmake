# Writes every skin of palettes.cmake into output_dir as a whole style sheet: skin.qss.in with the
# skin's own column filled in. Run as: cmake -D output_dir=<folder> -P writeskins.cmake
include(${CMAKE_CURRENT_LIST_DIR}/palettes.cmake)
file(READ ${CMAKE_CURRENT_LIST_DIR}/skin.qss.in sheet)
string(REGEX MATCHALL "@[A-Z_]+@" roles "${sheet}")
list(REMOVE_DUPLICATES roles)
list(TRANSFORM roles REPLACE "@" "")
list(LENGTH skin_designs skin_count)

# The rows keep all their values outside: each call sees them whole.
function(write_skin index design)
    foreach(role IN LISTS roles)
        list(LENGTH ${role} values)
        if(NOT values EQUAL skin_count)
            message(FATAL_ERROR "palettes.cmake: ${role} needs one value for each of: ${skin_designs}")
        endif()
        list(GET ${role} ${index} ${role})
    endforeach()
    string(CONFIGURE "${sheet}" skin @ONLY)
    file(WRITE ${output_dir}/${design}.she "${skin}")
endfunction()

foreach(design IN LISTS skin_designs)
    list(FIND skin_designs ${design} index)
    write_skin(${index} ${design})
endforeach()
