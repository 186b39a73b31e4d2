# main_wrapper(program) for the Windows x64 calling convention. The frame
# register is cleared before the program is called, so its frame record
# names no caller. The unwind data lets the search of an exception for its
# catch step through to the C library's start-up; the error report's stack
# walk ends here, at the outermost frame of the program.
        .text
        .globl  main_wrapper
main_wrapper:
        .seh_proc main_wrapper
        pushq   %rbp
        .seh_pushreg %rbp
        subq    $32, %rsp               # the callee's home area
        .seh_stackalloc 32
        .seh_endprologue
        xorl    %ebp, %ebp
        call    *%rcx
        nop                             # a return address never starts an epilogue
        addq    $32, %rsp
        popq    %rbp
        ret
        .seh_endproc
