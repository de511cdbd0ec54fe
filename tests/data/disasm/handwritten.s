# Decoder coverage beyond what gcc emits: every ModRM/SIB form, 16-bit addressing, prefixes, x87,
# MMX, SSE, SSE2, 3DNow!, system instructions, far transfers. Assembled by make_disasm_vectors.sh.
        .intel_syntax noprefix
        .text
start:
# ModRM and SIB, all mod/rm/base/index/scale combinations
        .irp base, eax, ecx, edx, ebx, esp, ebp, esi, edi
        mov eax, [\base]
        add [\base+0x12], cl
        sub edx, [\base-0x80]
        mov ebx, [\base+0x12345678]
        lea esi, [\base+0x7f]
        mov \base, eax
        .irp index, eax, ecx, edx, ebx, ebp, esi, edi
        mov ecx, [\base+\index]
        mov ecx, [\base+\index*2+0x7f]
        mov ecx, [\base+\index*4-0x1000]
        lea edi, [\base+\index*8]
        .endr
        .endr
        .irp index, eax, ecx, edx, ebx, ebp, esi, edi
        mov eax, [\index*4+0x12345678]
        mov eax, [\index*1+0x10]
        .endr
        mov eax, [0x12345678]
        mov al, ds:[0x12345678]
        mov ds:[0x12345678], eax
        .byte 0x8b, 0x04, 0x25, 0x78, 0x56, 0x34, 0x12   # SIB with index 4 (none) and no base
        .byte 0x8b, 0x44, 0x20, 0x04                     # SIB with index 4 and disp8
# 16-bit addressing
        .irp mem, [bx+si], [bx+di], [bp+si], [bp+di], [si], [di], [bx], [bp+0x10], [bx+si+0x1234], [di-2]
        mov eax, \mem
        add \mem, dx
        .endr
        mov eax, [0x1234]
        .byte 0x67, 0xa1, 0x34, 0x12                     # mov eax, moffs16
        .byte 0x67, 0xe3, 0x00                           # jcxz
# prefixes
        lock add [eax], ecx
        lock cmpxchg [esi], edx
        lock xadd [edi+4], eax
        rep movsd
        rep stosb
        repne scasb
        repe cmpsw
        rep lodsd
        .byte 0xf3, 0xc3                                 # rep ret
        mov eax, fs:[0]
        mov fs:[0], esp
        mov eax, es:[ebx]
        mov cl, cs:[eax+ecx*2]
        mov dx, ss:[ebp-4]
        mov eax, gs:[0x14]
        add ax, bx
        mov ax, 0x1234
        push 0x1234
        .byte 0x66, 0x6a, 0x80
        .byte 0x3e, 0x74, 0x00                           # branch hint
        .byte 0x2e, 0x75, 0x00
        .byte 0x66, 0x66, 0x2e, 0x0f, 0x1f, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00
# one-byte map: arithmetic, immediates, moves, stack, strings
        add al, 0x12
        add eax, 0x12345678
        or bl, 0x80
        adc ecx, 0x12345678
        sbb edx, -3
        and dword ptr [eax], 0x7fffffff
        sub word ptr [eax], 0x1234
        xor byte ptr [ecx+edx], 1
        cmp dword ptr [ebp-8], 10
        .byte 0x82, 0xc0, 0x01                           # add al, 1 (82 alias)
        test al, 0x40
        test eax, 0x10000
        test byte ptr [eax], 1
        test dword ptr [ebx], 0x12345678
        test ecx, edx
        not dword ptr [eax]
        neg cl
        mul ecx
        imul dword ptr [esi]
        div byte ptr [edi]
        idiv ebx
        imul eax, ecx, 10
        imul eax, [ecx], 1000
        imul edx, ebx
        inc eax
        dec edi
        inc byte ptr [eax]
        dec word ptr [eax]
        push eax
        pop edi
        push es
        push cs
        push ss
        push ds
        pop es
        pop ss
        pop ds
        push fs
        pop gs
        pushad
        popad
        pushfd
        popfd
        pushw 0x10
        push dword ptr [eax]
        pop dword ptr [eax]
        bound eax, [ecx]
        arpl [eax], cx
        xchg eax, ecx
        xchg eax, edi
        xchg [eax], bl
        xchg esi, [ebx]
        mov [eax], cl
        mov es, ax
        mov ax, ds
        mov [eax], ss
        mov eax, 0x12345678
        mov bh, 0x12
        mov byte ptr [eax], 1
        mov dword ptr [eax+4], 0x12345678
        mov word ptr [eax+4], 0x1234
        lea eax, [eax+eax*2]
        cwde
        cbw
        cdq
        cwd
        sahf
        lahf
        wait
        movsb
        cmpsb
        stosd
        lodsb
        scasd
        insb
        insd
        outsb
        outsw
        in al, 0x60
        in eax, dx
        out 0x80, al
        out dx, ax
        daa
        das
        aaa
        aas
        aam
        aad 16
        .byte 0xd6                                       # salc
        xlatb
        rol eax, 1
        ror byte ptr [eax], 1
        rcl ecx, cl
        rcr dword ptr [ebx], cl
        shl edx, 5
        shr byte ptr [ecx], 3
        sar eax, 31
        ret 8
        ret
        retf 4
        retf
        enter 0x10, 0
        enter 0x100, 2
        leave
        int3
        int 0x2e
        into
        iretd
        .byte 0xf1                                       # int01
        hlt
        cmc
        clc
        stc
        cli
        sti
        cld
        std
        nop
        xchg ax, ax
# transfers
rel:    jmp rel
        jmp near ptr rel
        je rel
        jne start
        jb near ptr rel
        .irp cc, o, no, b, ae, e, ne, be, a, s, ns, p, np, l, ge, le, g
        j\cc rel
        set\cc al
        cmov\cc eax, [ebx]
        .endr
nearby: loop nearby
        loope nearby
        loopne nearby
        jecxz nearby
        call rel
        call eax
        call dword ptr [eax]
        call dword ptr [0x12345678]
        call dword ptr [eax*4+0x12345678]
        jmp dword ptr [0x40a1b8]
        jmp dword ptr [eax*4+0x40a1b8]
        jmp ecx
        jmp dword ptr [ebx+8]
        call fword ptr [eax]
        jmp fword ptr [ebx]
        call 0x1234:0x56789abc
        jmp 0x1234:0x56789abc
        .byte 0x66, 0x9a, 0x34, 0x12, 0x78, 0x56         # call far ptr16:16
        .byte 0xe8, 0x00, 0x00, 0x00, 0x00               # call to the next instruction
        .byte 0x66, 0xe8, 0x10, 0x00                     # call rel16
        .byte 0x66, 0xe9, 0x00, 0x10                     # jmp rel16
        .byte 0x66, 0x0f, 0x84, 0x10, 0x00               # jz rel16
# two-byte map: system, bit, moves
        sldt eax
        str word ptr [eax]
        lldt ax
        ltr word ptr [ecx]
        verr ax
        verw word ptr [eax]
        sgdt [eax]
        sidt [ecx]
        lgdt [edx]
        lidt [ebx]
        smsw eax
        smsw word ptr [eax]
        lmsw ax
        invlpg [eax]
        lar eax, cx
        lsl edx, word ptr [eax]
        clts
        invd
        wbinvd
        ud2
        mov eax, cr0
        mov cr3, ecx
        mov cr4, eax
        mov edx, dr7
        mov dr0, eax
        wrmsr
        rdtsc
        rdmsr
        rdpmc
        sysenter
        sysexit
        cpuid
        bt eax, ecx
        bts [eax], edx
        btr ecx, 5
        btc dword ptr [eax], 31
        bt dword ptr [eax], 1
        shld eax, ecx, 4
        shld [eax], edx, cl
        shrd eax, ecx, 4
        shrd eax, ecx, cl
        rsm
        imul eax, [ebx]
        cmpxchg al, cl
        cmpxchg [eax], ecx
        lss eax, [ecx]
        lfs eax, [ecx]
        lgs edx, [ebx]
        movzx eax, byte ptr [ecx]
        movzx eax, cx
        movzx ax, cl
        movsx eax, byte ptr [ecx]
        movsx edx, word ptr [eax]
        bsf eax, ecx
        bsr edx, [ebx]
        xadd al, bl
        xadd [eax], ecx
        cmpxchg8b [esi]
        .irp reg, eax, ecx, edx, ebx, esp, ebp, esi, edi
        bswap \reg
        .endr
        nop dword ptr [eax]
        nop dword ptr [eax+0x0]
        nop dword ptr [eax+eax*1+0x0]
        nop word ptr [eax+eax*1+0x0]
        nop dword ptr [eax+0x12345678]
        movnti [eax], ecx
        prefetchnta [eax]
        prefetcht0 [ecx]
        prefetcht1 [edx+4]
        prefetcht2 [ebx]
        prefetch [eax]
        prefetchw [ecx]
        femms
        fxsave [eax]
        fxrstor [ecx]
        ldmxcsr [edx]
        stmxcsr [ebx]
        lfence
        mfence
        sfence
        clflush [eax]
        emms
# x87
        .irp op, fadd, fmul, fcom, fcomp, fsub, fsubr, fdiv, fdivr
        \op dword ptr [eax]
        \op qword ptr [ecx+8]
        .endr
        .irp op, fadd, fmul, fsub, fsubr, fdiv, fdivr
        \op st, st(3)
        \op st(2), st
        .endr
        .irp op, faddp, fmulp, fsubp, fsubrp, fdivp, fdivrp
        \op st(1), st
        .endr
        fcom st(1)
        fcomp st(2)
        fcompp
        .irp op, fiadd, fimul, ficom, ficomp, fisub, fisubr, fidiv, fidivr
        \op dword ptr [eax]
        \op word ptr [ecx]
        .endr
        fld dword ptr [eax]
        fld qword ptr [eax]
        fld tbyte ptr [eax]
        fld st(1)
        fst dword ptr [eax]
        fst qword ptr [eax]
        fst st(2)
        fstp dword ptr [eax]
        fstp qword ptr [eax]
        fstp tbyte ptr [eax]
        fstp st(1)
        fild word ptr [eax]
        fild dword ptr [eax]
        fild qword ptr [eax]
        fist word ptr [eax]
        fist dword ptr [eax]
        fistp word ptr [eax]
        fistp dword ptr [eax]
        fistp qword ptr [eax]
        fbld tbyte ptr [eax]
        fbstp tbyte ptr [eax]
        fldenv [eax]
        fldcw word ptr [eax]
        fnstenv [eax]
        fnstcw word ptr [eax]
        frstor [eax]
        fnsave [eax]
        fnstsw word ptr [eax]
        fnstsw ax
        fxch st(1)
        fnop
        fchs
        fabs
        ftst
        fxam
        fld1
        fldl2t
        fldl2e
        fldpi
        fldlg2
        fldln2
        fldz
        f2xm1
        fyl2x
        fptan
        fpatan
        fxtract
        fprem1
        fdecstp
        fincstp
        fprem
        fyl2xp1
        fsqrt
        fsincos
        frndint
        fscale
        fsin
        fcos
        fucompp
        fnclex
        fninit
        ffree st(2)
        fucom st(1)
        fucomp st(3)
        fucomi st, st(1)
        fcomi st, st(2)
        fucomip st, st(1)
        fcomip st, st(3)
        .irp op, fcmovb, fcmove, fcmovbe, fcmovu, fcmovnb, fcmovne, fcmovnbe, fcmovnu
        \op st, st(1)
        .endr
        .byte 0xdf, 0xc1                                 # ffreep st(1)
# MMX
        .irp op, punpcklbw, punpcklwd, punpckldq, packsswb, pcmpgtb, pcmpgtw, pcmpgtd, packuswb, punpckhbw, punpckhwd, punpckhdq, packssdw, pcmpeqb, pcmpeqw, pcmpeqd, psrlw, psrld, psrlq, paddq, pmullw, psubusb, psubusw, pminub, pand, paddusb, paddusw, pmaxub, pandn, pavgb, psraw, psrad, pavgw, pmulhuw, pmulhw, psubsb, psubsw, pminsw, por, paddsb, paddsw, pmaxsw, pxor, psllw, pslld, psllq, pmuludq, pmaddwd, psadbw, psubb, psubw, psubd, psubq, paddb, paddw, paddd
        \op mm0, mm1
        \op mm2, [eax]
        \op xmm0, xmm1
        \op xmm3, [ecx+edx*2]
        .endr
        punpcklqdq xmm0, xmm1
        punpckhqdq xmm2, [eax]
        movd mm0, eax
        movd mm1, [ecx]
        movd eax, mm2
        movd [eax], mm3
        movd xmm0, eax
        movd ecx, xmm1
        movq mm0, mm1
        movq mm2, [eax]
        movq [eax], mm3
        movq xmm0, xmm1
        movq xmm0, [eax]
        movq [eax], xmm2
        movdqa xmm0, xmm1
        movdqa [eax], xmm1
        movdqu xmm2, [eax]
        movdqu [ecx], xmm3
        pshufw mm0, mm1, 0x1b
        pshufd xmm0, xmm1, 0x1b
        pshuflw xmm0, [eax], 1
        pshufhw xmm2, xmm3, 2
        psrlw mm0, 3
        psraw mm1, 3
        psllw xmm2, 3
        psrld mm0, 3
        psrad xmm1, 3
        pslld mm2, 3
        psrlq mm0, 3
        psllq xmm1, 3
        psrldq xmm2, 3
        pslldq xmm3, 3
        pinsrw mm0, eax, 1
        pinsrw xmm1, [eax], 2
        pextrw eax, mm0, 1
        pextrw edx, xmm1, 3
        pmovmskb eax, mm0
        pmovmskb ecx, xmm1
        movntq [eax], mm0
        movntdq [eax], xmm0
        maskmovq mm0, mm1
        maskmovdqu xmm0, xmm1
        movdq2q mm0, xmm1
        movq2dq xmm0, mm1
# SSE and SSE2
        .irp op, sqrt, add, mul, sub, min, div, max
        \op\()ps xmm0, xmm1
        \op\()pd xmm2, [eax]
        \op\()ss xmm3, dword ptr [ecx]
        \op\()sd xmm4, xmm5
        .endr
        .irp op, andps, andpd, andnps, andnpd, orps, orpd, xorps, xorpd, unpcklps, unpcklpd, unpckhps, unpckhpd, rsqrtps, rcpps
        \op xmm0, xmm1
        \op xmm2, [eax]
        .endr
        rsqrtss xmm0, xmm1
        rcpss xmm2, [eax]
        movups xmm0, xmm1
        movups [eax], xmm1
        movupd xmm2, [ecx]
        movupd [ecx], xmm3
        movss xmm0, [eax]
        movss [eax], xmm1
        movsd xmm0, [eax]
        movsd [eax], xmm1
        movss xmm0, xmm1
        movaps xmm0, xmm1
        movaps [eax], xmm2
        movapd xmm0, [eax]
        movapd [eax], xmm1
        movlps xmm0, [eax]
        movlps [eax], xmm0
        movlpd xmm1, [eax]
        movlpd [eax], xmm1
        movhlps xmm0, xmm1
        movhps xmm0, [eax]
        movhps [eax], xmm0
        movhpd xmm1, [eax]
        movhpd [eax], xmm1
        movlhps xmm0, xmm1
        movntps [eax], xmm0
        movntpd [eax], xmm1
        movmskps eax, xmm0
        movmskpd ecx, xmm1
        cvtpi2ps xmm0, mm1
        cvtpi2pd xmm0, [eax]
        cvtsi2ss xmm0, eax
        cvtsi2sd xmm1, dword ptr [eax]
        cvttps2pi mm0, xmm1
        cvttpd2pi mm0, [eax]
        cvttss2si eax, xmm0
        cvttsd2si ecx, qword ptr [eax]
        cvtps2pi mm0, xmm1
        cvtpd2pi mm1, xmm2
        cvtss2si eax, xmm1
        cvtsd2si edx, xmm2
        cvtps2pd xmm0, xmm1
        cvtpd2ps xmm0, [eax]
        cvtss2sd xmm1, xmm2
        cvtsd2ss xmm3, qword ptr [eax]
        cvtdq2ps xmm0, xmm1
        cvtps2dq xmm0, [eax]
        cvttps2dq xmm1, xmm2
        cvttpd2dq xmm0, xmm1
        cvtpd2dq xmm0, [eax]
        cvtdq2pd xmm1, xmm2
        ucomiss xmm0, xmm1
        ucomisd xmm0, [eax]
        comiss xmm1, dword ptr [eax]
        comisd xmm2, xmm3
        cmpps xmm0, xmm1, 1
        cmppd xmm0, [eax], 2
        cmpss xmm1, xmm2, 3
        cmpsd xmm3, qword ptr [eax], 4
        shufps xmm0, xmm1, 0x44
        shufpd xmm2, [eax], 1
# 3DNow!
        .irp op, pi2fw, pi2fd, pf2iw, pf2id, pfnacc, pfpnacc, pfcmpge, pfmin, pfrcp, pfrsqrt, pfsub, pfadd, pfcmpgt, pfmax, pfrcpit1, pfrsqit1, pfsubr, pfacc, pfcmpeq, pfmul, pfrcpit2, pmulhrw, pswapd, pavgusb
        \op mm0, mm1
        \op mm2, [eax+ecx*4+8]
        .endr
end:
        ret
