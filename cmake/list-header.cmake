# dehex_list_header(FILE MACRO NAME...): writes generated/FILE, a header of one MACRO(NAME) line for
# each NAME, in order, through which C++ makes a table of what the list names.
function(dehex_list_header file macro)
    list(TRANSFORM ARGN REPLACE "(.+)" "${macro}(\\1)" OUTPUT_VARIABLE lines)
    list(JOIN lines "\n" lines)
    file(CONFIGURE OUTPUT generated/${file} CONTENT "// Made by CMake, one line for each name in its list.\n${lines}\n")
endfunction()
