# Writes monctl's man page: the template with the option list and the preference keys that
# monctl prints of itself, so that the page follows the parser and the preferences table.
# Takes MONCTL (the program), TEMPLATE, OUTPUT and the template's other variables.
foreach(section options preferences)
    execute_process(COMMAND ${MONCTL} --man-section ${section}
                    OUTPUT_VARIABLE text OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    string(TOUPPER ${section} name)
    set(MONCTL_MANUAL_${name} "${text}")
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
