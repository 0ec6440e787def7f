function(qorvlog_enable_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -pedantic -Wnon-virtual-dtor -Woverloaded-virtual
        -Wzero-as-null-pointer-constant -Werror=return-type)
    if(QORVLOG_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
