# Small functions with one analyser or listing feature each; the tests find them by label.
        .intel_syntax noprefix
        .text
        .globl f_halt
f_halt:                         # ends in a call that never returns; garbage follows
        push ebp
        mov ebp, esp
        call _exit
        .byte 0xff, 0xff
_exit:  ret

f_ud2:                          # gcc's trap after an impossible path
        test eax, eax
        jz 1f
        ret
1:      ud2

f_bad:                          # a path into undefined code
        test eax, eax
        jz 1f
        ret
1:      .byte 0xff, 0xff

f_case_above:                   # cmp/ja: constant + 1 entries, table right after the jump
        cmp eax, 3
        ja 9f
        jmp dword ptr [eax*4+1f]
1:      .long 2f, 3f, 4f, 5f
2:      mov eax, 1
        ret
3:      mov eax, 2
        ret
4:      mov eax, 3
        ret
5:      mov eax, 4
9:      ret

f_case_ae:                      # cmp/jae: constant entries
        cmp ecx, 3
        jae 9f
        jmp dword ptr [ecx*4+1f]
1:      .long 2f, 3f, 4f
2:      inc eax
3:      inc eax
4:      inc eax
9:      ret

f_case_far:                     # gcc: the table lives elsewhere (here: far_table below)
        .byte 0x81, 0xfa, 2, 0, 0, 0    # cmp edx, 2 with a 32-bit constant
        ja far_case1
        jmp dword ptr [edx*4+far_table]
far_case0:
        xor eax, eax
far_case1:
        ret

f_split:                        # a backward jump into the walked area splits it
        mov ecx, [esp+4]
1:      dec ecx
        jnz 1b
        ret

f_merge:                        # two jumps to one label make one area
        test eax, eax
        jz 1f
        test ecx, ecx
        jz 1f
        inc eax
1:      ret

f_gap_near:                     # code only an unknown jump reaches, close to the rest
        test eax, eax
        jz 9f
        jmp ecx
hidden_near:
        inc eax
        inc eax
9:      ret

f_gap_far:                      # the same with the rest 1024 bytes or more away
        test eax, eax
        jz 9f
        jmp ecx
hidden_far:
        inc eax
        .fill 1100, 1, 0x90
9:      ret

f_nogap:                        # no unknown jump: unreachable code stays out
        test eax, eax
        jz 9f
        ret
hidden_none:
        inc eax
9:      ret

f_thunk:                        # a call through an import thunk records the thunk's target
        call thunk
        ret
thunk:  jmp dword ptr [import_cell]

f_regcall:                      # a call through a register loaded with a constant
        mov eax, offset f_halt
        call eax
        ret

f_tail:                         # a tail jump to another function leaves the function
        push ebp
        mov ebp, esp
        leave
        jmp f_merge

f_short_entry:                  # starts with a short conditional jump: not interceptable
        jz 1f
        nop
        nop
        nop
        nop
1:      ret

f_seh:                          # exception frame set-up: the handler is an area
        push offset 1f
        push dword ptr fs:[0]
        mov fs:[0], esp
        pop dword ptr fs:[0]
        add esp, 4
        ret
1:      mov eax, 1
        ret

f_text:                         # operands for the text tests
        mov eax, [ebx+8]
        mov eax, [ebx+16]
        mov eax, [ebx-16]
        mov eax, [ebx+ecx*1]
        mov eax, [ebx+ecx*4+9]
        cmp dword ptr [eax], 5
        push offset .Lmessage
        jne 1f
        call f_merge
1:      ret

f_long:                         # a long function for the line limit
        .rept 40
        inc eax
        .endr
f_long_fault:
        inc ecx
        .rept 40
        inc edx
        .endr
        ret

.Lmessage:
        .ascii "Hello world\0"
        .p2align 2
import_cell:
        .long 0x77001234
far_table:
        .long far_case0, far_case1, 0x77000000
