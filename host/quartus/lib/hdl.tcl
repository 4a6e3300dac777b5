# What the stand-ins see of a design: a reader of VHDL, Verilog and EDIF files that finds the
# design units, their ports, registers, clocks and instances, checks the block structure
# (a construct opened without its "end", an "end" of the wrong kind or name), and elaborates a
# hierarchy into the figures that synthesis, fitting and timing analysis report.
#
# It is no compiler: expressions are not typed and widths it cannot work out count as 8 bits.
# Every scanning loop advances by at least one token, so no input makes it loop for ever.

namespace eval ::qs::hdl {
    variable T {}       ;# tokens of the file being read: {kind text line}
    variable L {}       ;# the same texts in lower case
    variable n 0
    variable file ""
    variable lib        ;# entity (lower case) -> dict
    variable found {}   ;# design units of the file being read, for the messages
    array set lib {}

    variable pkg_env {}    ;# constants of packages, in scope everywhere after them
    variable pkg_types {}
    variable vhdl_reserved {
        abs access after alias all and architecture array assert assume attribute begin block
        body buffer bus case component configuration constant context cover default disconnect
        downto else elsif end entity exit fairness file for force function generate generic
        group guarded if impure in inertial inout is label library linkage literal loop map mod
        nand new next nor not null of on open or others out package parameter port postponed
        procedure process property protected pure range record register reject release rem
        report restrict return rol ror select sequence severity shared signal sla sll sra srl
        strong subtype then to transport type unaffected units until use variable vmode vprop
        vunit wait when while with xnor xor
    }
}

proc ::qs::hdl::reset {} {
    variable lib
    variable pkg_env {}
    variable pkg_types {}
    array unset lib
    array set lib {}
}

# ---- Errors -----------------------------------------------------------------------------------

proc ::qs::hdl::syntax_error {lang line near {expecting ""}} {
    variable file
    set id [expr {$lang eq "VHDL" ? 10500 : ($lang eq "EDIF" ? 10900 : 10170)}]
    set what [expr {$lang eq "EDIF" ? "EDIF syntax error" : "$lang syntax error"}]
    set text "$what at [file tail $file]($line) near $near"
    if {$expecting ne ""} { append text ";  expecting $expecting" }
    return -code error -errorcode [list HDL SYNTAX $id] $text
}

proc ::qs::hdl::design_error {id text} {
    return -code error -errorcode [list HDL DESIGN $id] $text
}

proc ::qs::hdl::near {k} {
    variable T
    variable n
    if {$k >= $n} { return "end of file" }
    return "text \"[lindex $T $k 1]\""
}

proc ::qs::hdl::line_at {k} {
    variable T
    variable n
    if {$n == 0} { return 1 }
    if {$k >= $n} { return [lindex $T end 2] }
    return [lindex $T $k 2]
}

# ---- Tokens -----------------------------------------------------------------------------------

# VHDL tokens. A quote after a name or a closing bracket is an attribute mark; elsewhere it
# starts a character literal.
proc ::qs::hdl::tokenize_vhdl {text} {
    set tokens {}
    set i 0
    set line 1
    set len [string length $text]
    set prev ""
    while {$i < $len} {
        set c [string index $text $i]
        if {$c eq "\n"} { incr line; incr i; continue }
        if {[string is space $c]} { incr i; continue }
        set two [string range $text $i [expr {$i + 1}]]
        if {$two eq "--"} {
            set e [string first \n $text $i]
            set i [expr {$e < 0 ? $len : $e}]
            continue
        }
        if {$two eq "/*"} {
            set e [string first */ $text [expr {$i + 2}]]
            if {$e < 0} { set ::qs::hdl::n 0; syntax_error VHDL $line "text \"/*\"" "\"*/\"" }
            incr line [regexp -all \n [string range $text $i $e]]
            set i [expr {$e + 2}]
            continue
        }
        if {$c eq "\""} {
            if {![regexp -start $i -indices {\A"(?:[^"\n]|"")*"} $text m]} {
                syntax_error VHDL $line "text \"\"\"" "a closing quote"
            }
            set e [lindex $m 1]
            lappend tokens [list str [string range $text $i $e] $line]
            set prev str
            set i [expr {$e + 1}]
            continue
        }
        if {$c eq "'"} {
            if {$prev ni {id rparen} && [string index $text [expr {$i + 2}]] eq "'"} {
                lappend tokens [list chr [string range $text $i [expr {$i + 2}]] $line]
                set prev chr
                incr i 3
                continue
            }
            lappend tokens [list sym ' $line]
            set prev sym
            incr i
            continue
        }
        if {[regexp -start $i -indices {\A[A-Za-z][A-Za-z0-9_]*} $text m]} {
            set e [lindex $m 1]
            set word [string range $text $i $e]
            # Bit-string literals: X"FF", B"0101", O"17".
            if {[string index $text [expr {$e + 1}]] eq "\"" && [regexp -nocase {^(u|s)?[bxod]$} $word]} {
                if {[regexp -start [expr {$e + 1}] -indices {\A"[^"\n]*"} $text m2]} {
                    set e [lindex $m2 1]
                    lappend tokens [list str [string range $text $i $e] $line]
                    set prev str
                    set i [expr {$e + 1}]
                    continue
                }
            }
            lappend tokens [list id $word $line]
            set prev id
            set i [expr {$e + 1}]
            continue
        }
        if {$c eq "\\"} {
            set e [string first \\ $text [expr {$i + 1}]]
            set nl [string first \n $text $i]
            if {$e < 0 || ($nl >= 0 && $nl < $e)} { syntax_error VHDL $line "text \"\\\"" "a closing backslash" }
            lappend tokens [list id [string range $text $i $e] $line]
            set prev id
            set i [expr {$e + 1}]
            continue
        }
        if {[regexp -start $i -indices {\A[0-9][0-9_]*(?:#[0-9A-Fa-f_.]+#)?(?:\.[0-9_]+)?(?:[eE][-+]?[0-9]+)?} $text m]} {
            set e [lindex $m 1]
            lappend tokens [list num [string range $text $i $e] $line]
            set prev num
            set i [expr {$e + 1}]
            continue
        }
        if {$two in {<= := => /= >= ** <> ??}} {
            lappend tokens [list sym $two $line]
            set prev sym
            incr i 2
            continue
        }
        lappend tokens [list sym $c $line]
        set prev [expr {$c eq ")" ? "rparen" : "sym"}]
        incr i
    }
    return $tokens
}

proc ::qs::hdl::tokenize_verilog {text} {
    set tokens {}
    set i 0
    set line 1
    set len [string length $text]
    while {$i < $len} {
        set c [string index $text $i]
        if {$c eq "\n"} { incr line; incr i; continue }
        if {[string is space $c]} { incr i; continue }
        set two [string range $text $i [expr {$i + 1}]]
        if {$two eq "//" || $c eq "`"} {
            # Compiler directives are taken as comments: the reader follows no macros.
            set e [string first \n $text $i]
            set i [expr {$e < 0 ? $len : $e}]
            continue
        }
        if {$two eq "/*"} {
            set e [string first */ $text [expr {$i + 2}]]
            if {$e < 0} { syntax_error "Verilog HDL" $line "text \"/*\"" "\"*/\"" }
            incr line [regexp -all \n [string range $text $i $e]]
            set i [expr {$e + 2}]
            continue
        }
        if {$c eq "\""} {
            if {![regexp -start $i -indices {\A"(?:[^"\\\n]|\\.)*"} $text m]} {
                syntax_error "Verilog HDL" $line "text \"\"\"" "a closing quote"
            }
            set e [lindex $m 1]
            lappend tokens [list str [string range $text $i $e] $line]
            set i [expr {$e + 1}]
            continue
        }
        if {[regexp -start $i -indices {\A(?:[0-9][0-9_]*)?'[sS]?[bBoOdDhH][0-9a-fA-FxXzZ_?]+|\A[0-9][0-9_]*(?:\.[0-9_]+)?(?:[eE][-+]?[0-9]+)?} $text m]} {
            set e [lindex $m 1]
            lappend tokens [list num [string range $text $i $e] $line]
            set i [expr {$e + 1}]
            continue
        }
        if {[regexp -start $i -indices {\A[A-Za-z_$][A-Za-z0-9_$]*} $text m]} {
            set e [lindex $m 1]
            lappend tokens [list id [string range $text $i $e] $line]
            set i [expr {$e + 1}]
            continue
        }
        if {$c eq "\\"} {
            regexp -start $i -indices {\A\\[^ \t\r\n]*} $text m
            set e [lindex $m 1]
            lappend tokens [list id [string range $text $i $e] $line]
            set i [expr {$e + 1}]
            continue
        }
        set three [string range $text $i [expr {$i + 2}]]
        if {$three in {=== !== <<< >>>}} {
            lappend tokens [list sym $three $line]
            incr i 3
            continue
        }
        if {$two in {<= >= == != && || << >> ** +: -: -> ::}} {
            lappend tokens [list sym $two $line]
            incr i 2
            continue
        }
        lappend tokens [list sym $c $line]
        incr i
    }
    return $tokens
}

proc ::qs::hdl::load_tokens {tokens} {
    variable T
    variable L
    variable n
    set T $tokens
    set L {}
    foreach t $tokens { lappend L [string tolower [lindex $t 1]] }
    set n [llength $T]
}

# Index of the ")" that closes the "(" at k; raises a syntax error when there is none.
proc ::qs::hdl::closing {k lang} {
    variable L
    variable n
    set depth 0
    for {set j $k} {$j < $n} {incr j} {
        switch -- [lindex $L $j] {
            ( { incr depth }
            ) { if {[incr depth -1] == 0} { return $j } }
        }
    }
    syntax_error $lang [line_at $k] "end of file" "\")\""
}

# Index of the next ";" at bracket depth 0 from k on, or n.
proc ::qs::hdl::statement_end {k} {
    variable L
    variable n
    set depth 0
    for {set j $k} {$j < $n} {incr j} {
        switch -- [lindex $L $j] {
            ( - \[ { incr depth }
            ) - \] { incr depth -1 }
            ; { if {$depth <= 0} { return $j } }
        }
    }
    return $n
}

# ---- Expressions and widths -------------------------------------------------------------------

# An integer expression of tokens from..to (inclusive), with names from env; empty when it is
# not one the reader can work out.
proc ::qs::hdl::eval_int {from to env} {
    variable T
    variable L
    set s ""
    for {set j $from} {$j <= $to} {incr j} {
        set kind [lindex $T $j 0]
        set low [lindex $L $j]
        if {$kind eq "num"} {
            set v [string map {_ ""} $low]
            if {[regexp {^([0-9]+)#([0-9a-f.]+)#$} $v -> base digits]} {
                if {[catch {scan $digits [dict get {2 %b 8 %o 10 %d 16 %x} $base]} v]} { return "" }
                if {$v eq ""} { return "" }
            } elseif {[regexp {^([0-9]*)'s?([bodh])([0-9a-f_]+)$} $v -> size radix digits]} {
                set v [scan [string map {_ ""} $digits] [dict get {b %b o %o d %d h %x} $radix]]
                if {$v eq ""} { return "" }
            } elseif {![string is digit -strict $v]} {
                return ""
            }
            append s " ($v)"
        } elseif {$kind eq "id"} {
            if {$low in {mod rem}} { append s " %"; continue }
            if {![dict exists $env $low]} { return "" }
            set v [dict get $env $low]
            if {![string is wideinteger -strict $v]} { return "" }
            append s " ($v)"
        } elseif {$low in {+ - * / ** ( ) << >>}} {
            append s " $low"
        } else {
            return ""
        }
    }
    if {[string trim $s] eq ""} { return "" }
    if {[catch {expr $s} v] || ![string is wideinteger -strict $v]} { return "" }
    if {abs($v) > (1 << 40)} { return "" }
    return $v
}

proc ::qs::hdl::bits_for {count} {
    set bits 1
    while {(1 << $bits) < $count && $bits < 64} { incr bits }
    return $bits
}

# The width of a VHDL subtype indication in tokens from..to: {width memory_depth low}.
proc ::qs::hdl::vhdl_width {from to env types} {
    variable L
    variable T
    if {$from > $to} { return {1 0 0} }
    set mark [lindex $L $from]
    # A selected name such as ieee.std_logic_1164.std_logic: the last name counts.
    while {$from + 2 <= $to && [lindex $L [expr {$from + 1}]] eq "."} {
        incr from 2
        set mark [lindex $L $from]
    }
    switch -- $mark {
        std_logic - std_ulogic - bit - boolean - character { return {1 0 0} }
        real - time { return {64 0 0} }
        integer - natural - positive {
            if {[lindex $L [expr {$from + 1}]] eq "range"} {
                set r [vhdl_range [expr {$from + 2}] $to $env]
                if {$r ne ""} {
                    lassign $r a b
                    set hi [expr {max(abs($a), abs($b))}]
                    set w [bits_for [expr {$hi + 1}]]
                    if {min($a, $b) < 0} { incr w }
                    return [list $w 0 0]
                }
            }
            return {32 0 0}
        }
    }
    if {[dict exists $types $mark]} {
        lassign [dict get $types $mark] w depth low
        # A constrained use of an unconstrained array type: type(range).
        if {$w == 0 && [lindex $L [expr {$from + 1}]] eq "("} {
            set r [vhdl_range [expr {$from + 2}] [expr {$to - 1}] $env]
            if {$r ne ""} { return [list [expr {abs([lindex $r 0] - [lindex $r 1]) + 1}] 0 [expr {min([lindex $r 0], [lindex $r 1])}]] }
            return {8 0 0}
        }
        return [list $w $depth $low]
    }
    if {[lindex $L [expr {$from + 1}]] eq "("} {
        set close [closing [expr {$from + 1}] VHDL]
        set r [vhdl_range [expr {$from + 2}] [expr {$close - 1}] $env]
        if {$r ne ""} {
            lassign $r a b
            return [list [expr {abs($a - $b) + 1}] 0 [expr {min($a, $b)}]]
        }
        return {8 0 0}
    }
    return {1 0 0}
}

# "A downto B" or "A to B" in tokens from..to: {A B}, or empty.
proc ::qs::hdl::vhdl_range {from to env} {
    variable L
    set depth 0
    for {set j $from} {$j <= $to} {incr j} {
        set low [lindex $L $j]
        if {$low eq "("} { incr depth } elseif {$low eq ")"} { incr depth -1 }
        if {$depth == 0 && $low in {downto to}} {
            set a [eval_int $from [expr {$j - 1}] $env]
            set b [eval_int [expr {$j + 1}] $to $env]
            if {$a eq "" || $b eq ""} { return "" }
            return [list $a $b]
        }
    }
    return ""
}

# ---- VHDL -------------------------------------------------------------------------------------

proc ::qs::hdl::new_arch {name entity line} {
    return [dict create name $name entity $entity line $line signals {} env {} types {} \
        processes {} concurrent {} instances {} file $::qs::hdl::file]
}

proc ::qs::hdl::parse_vhdl {path text} {
    variable T
    variable L
    variable n
    variable file $path
    variable found {}
    variable vhdl_reserved
    variable pkg_env
    variable pkg_types
    load_tokens [tokenize_vhdl $text]

    set stack {}          ;# frames: {kind name line}
    set entities {}       ;# lower name -> entity dict, of this file
    set archs {}          ;# architecture dicts of this file
    set arch ""           ;# the architecture being read
    set entity ""         ;# the entity being read (name, lower case)
    set proc ""           ;# the process being read
    set env $pkg_env      ;# constants and generics in scope
    set types $pkg_types
    set pending ""
    set cond 0
    set depth 0
    set stmt_start 1
    set stmt_id ""
    set in_rhs 0
    set rhs ""            ;# concurrent assignment being read: dict
    set select_target 0

    for {set k 0} {$k < $n} {incr k} {
        set kind [lindex $T $k 0]
        set low [lindex $L $k]
        set prev [expr {$k > 0 ? [lindex $L [expr {$k - 1}]] : ""}]
        set top [lindex $stack end 0]
        set in_body [expr {[llength $stack] > 0 && [lindex $stack end 3] == 1}]

        if {$kind eq "sym"} {
            switch -- $low {
                ( { incr depth }
                ) {
                    if {[incr depth -1] < 0} { syntax_error VHDL [line_at $k] [near $k] }
                }
                ; {
                    # Lists in brackets are read whole elsewhere; one left open here lacks its ")".
                    if {$depth > 0} { syntax_error VHDL [line_at $k] [near $k] "\")\"" }
                    if {$rhs ne "" && $arch ne ""} {
                        dict lappend arch concurrent $rhs
                        set rhs ""
                    }
                    set stmt_start 1; set stmt_id ""; set cond 0; set pending ""; set in_rhs 0
                    set select_target 0
                }
                <= {
                    if {$depth == 0 && !$cond && !$in_rhs && $stmt_id ne ""} {
                        set target [string tolower $stmt_id]
                        if {$proc ne "" && [lindex $proc 1] == 1} {
                            set p [lindex $proc 0]
                            dict lappend p targets $target
                            lset proc 0 $p
                            set in_rhs 1
                        } elseif {$arch ne "" && $in_body} {
                            set rhs [dict create target $target reads {} arith 0 mult 0 line [line_at $k]]
                            set in_rhs 1
                        }
                    }
                }
                => {
                    if {$depth == 0 && $top eq "case" && !$in_rhs} {
                        set cond 0; set stmt_start 1; set stmt_id ""
                    }
                }
                + - - {
                    set pk [lindex $T [expr {$k - 1}] 0]
                    if {$pk in {id num} || $prev eq ")"} {
                        if {$rhs ne ""} { dict incr rhs arith } elseif {$proc ne ""} {
                            set p [lindex $proc 0]; dict incr p arith; lset proc 0 $p
                        }
                    }
                }
                * {
                    if {$rhs ne ""} { dict incr rhs mult } elseif {$proc ne ""} {
                        set p [lindex $proc 0]; dict incr p mult; lset proc 0 $p
                    }
                }
                : {
                    if {$depth == 0 && $stmt_id ne "" && !$in_rhs} {
                        # A label. In a body it may start an instance.
                        set label $stmt_id
                        set stmt_id ""
                        if {$arch ne "" && $in_body && $proc eq ""} {
                            set inst [vhdl_instance [expr {$k + 1}] $label]
                            if {$inst ne ""} {
                                lassign $inst record last
                                dict lappend arch instances $record
                                set k $last
                                continue
                            }
                        }
                    }
                }
                ' {
                    # clk'event marks the process clocked by clk.
                    if {$proc ne "" && [lindex $L [expr {$k + 1}]] eq "event" && [lindex $T [expr {$k - 1}] 0] eq "id"} {
                        set p [lindex $proc 0]
                        dict lappend p clocks $prev
                        dict set p clocked 1
                        lset proc 0 $p
                    }
                }
            }
            continue
        }

        if {$kind ne "id"} { continue }

        switch -- $low {
            end {
                if {$depth != 0} { syntax_error VHDL [line_at $k] [near $k] "\")\"" }
                set k [vhdl_end $k stack]
                # The frame just closed.
                set closed $::qs::hdl::closed
                switch -- [lindex $closed 0] {
                    entity { set entity "" ; set env $pkg_env ; set types $pkg_types }
                    architecture {
                        if {$arch ne ""} {
                            dict set arch env $env
                            lappend archs $arch
                        }
                        set arch ""; set env $pkg_env; set types $pkg_types
                    }
                    process {
                        if {$proc ne "" && $arch ne ""} { dict lappend arch processes [lindex $proc 0] }
                        set proc ""
                    }
                }
                set stmt_start 1; set stmt_id ""; set cond 0; set pending ""; set in_rhs 0
                continue
            }
            entity {
                if {$prev eq ":"} continue
                vhdl_at_top $k $stack
                lassign [vhdl_expect_name $k entity] name k
                vhdl_expect $k is
                lappend stack [list entity $name [line_at $k] 0]
                set entity [string tolower $name]
                dict set entities $entity [dict create name $name line [line_at $k] ports {} \
                    generics {} file $path]
                lappend found [list entity $name]
                set env $pkg_env
                set types $pkg_types
                set stmt_start 1
                continue
            }
            architecture {
                vhdl_at_top $k $stack
                lassign [vhdl_expect_name $k architecture] name k
                vhdl_expect $k of
                incr k
                lassign [vhdl_expect_name $k "architecture $name of"] ename k
                vhdl_expect $k is
                lappend stack [list architecture $name [line_at $k] 0]
                set arch [new_arch $name [string tolower $ename] [line_at $k]]
                lappend found [list architecture "$ename-$name"]
                # The entity's generics are in scope.
                set env [dict merge $pkg_env [generic_env [string tolower $ename] $entities]]
                set types $pkg_types
                set stmt_start 1
                continue
            }
            package {
                if {[lindex $L [expr {$k + 1}]] eq "body"} {
                    incr k
                    lassign [vhdl_expect_name $k "package body"] name k
                    vhdl_expect $k is
                    lappend stack [list {package body} $name [line_at $k] 0]
                    lappend found [list package "$name body"]
                } else {
                    lassign [vhdl_expect_name $k package] name k
                    vhdl_expect $k is
                    if {[lindex $L [expr {$k + 1}]] eq "new"} {
                        set k [expr {[statement_end $k] - 1}]
                        continue
                    }
                    lappend stack [list package $name [line_at $k] 0]
                    lappend found [list package $name]
                }
                set stmt_start 1
                continue
            }
            configuration {
                vhdl_at_top $k $stack
                lassign [vhdl_expect_name $k configuration] name k
                vhdl_expect $k of
                incr k
                lassign [vhdl_expect_name $k "configuration $name of"] ename k
                vhdl_expect $k is
                lappend stack [list configuration $name [line_at $k] 0]
                lappend found [list configuration $name]
                continue
            }
            process - block {
                if {$prev eq "end"} continue
                lappend stack [list $low "" [line_at $k] 0]
                if {$low eq "process"} {
                    set proc [list [dict create clocked 0 clocks {} targets {} reads {} arith 0 \
                        mult 0 line [line_at $k]] 0]
                }
                set stmt_start 0
                continue
            }
            begin {
                if {[llength $stack] > 0} { lset stack end 3 1 }
                if {$proc ne "" && $top eq "process"} { lset proc 1 1 }
                set stmt_start 1; set stmt_id ""
                continue
            }
            if {
                if {$in_rhs} continue
                set pending if; set cond 1; set stmt_start 0
                continue
            }
            elsif - while {
                if {$in_rhs} continue
                if {$low eq "while"} { set pending while }
                set cond 1; set stmt_start 0
                continue
            }
            then {
                if {$pending eq "if"} { lappend stack [list if "" [line_at $k] 1] }
                set pending ""; set cond 0; set stmt_start 1; set stmt_id ""
                continue
            }
            else {
                if {!$in_rhs} { set stmt_start 1; set stmt_id "" }
                continue
            }
            case {
                if {$in_rhs} continue
                lappend stack [list case "" [line_at $k] 1]
                set cond 1; set stmt_start 0
                continue
            }
            when {
                if {!$in_rhs && $top eq "case" && $depth == 0} { set cond 1; set stmt_start 0 }
                continue
            }
            is {
                if {$top eq "case" && $cond} { set cond 0; set stmt_start 1; set stmt_id "" }
                continue
            }
            for {
                if {$prev eq "wait"} continue
                if {$top in {configuration for}} {
                    lappend stack [list for "" [line_at $k] 1]
                } else {
                    set pending for
                }
                continue
            }
            loop {
                lappend stack [list loop "" [line_at $k] 1]
                set pending ""; set cond 0; set stmt_start 1; set stmt_id ""
                continue
            }
            generate {
                if {$pending in {if for}} {
                    lappend stack [list generate "" [line_at $k] 1]
                }
                set pending ""; set cond 0; set stmt_start 1; set stmt_id ""
                continue
            }
            component {
                if {$prev eq ":"} continue
                lassign [vhdl_expect_name $k component] name k
                if {[lindex $L [expr {$k + 1}]] eq "is"} { incr k }
                lappend stack [list component $name [line_at $k] 0]
                continue
            }
            record - units - protected {
                if {$low eq "protected" && [lindex $L [expr {$k + 1}]] eq "body"} { incr k }
                lappend stack [list $low "" [line_at $k] 0]
                continue
            }
            function - procedure {
                set j [expr {$k + 1}]
                set d 0
                set body 0
                for {} {$j < $n} {incr j} {
                    set w [lindex $L $j]
                    if {$w eq "("} { incr d } elseif {$w eq ")"} { incr d -1 }
                    if {$d == 0 && $w eq ";"} break
                    if {$d == 0 && $w eq "is"} {
                        set body [expr {[lindex $L [expr {$j + 1}]] ne "new"}]
                        break
                    }
                }
                if {$body} {
                    lappend stack [list subprogram [lindex $T [expr {$k + 1}] 1] [line_at $k] 0]
                    set k $j
                } else {
                    set k [expr {$j - 1}]
                }
                continue
            }
            generic {
                if {$top eq "entity" && [lindex $L [expr {$k + 1}]] eq "("} {
                    set close [closing [expr {$k + 1}] VHDL]
                    set generics [vhdl_interface [expr {$k + 2}] [expr {$close - 1}] $env $types generic]
                    foreach g $generics {
                        if {[dict get $g default] ne ""} { dict set env [dict get $g lower] [dict get $g default] }
                    }
                    dict set entities $entity generics $env
                    set k $close
                    continue
                }
            }
            port {
                if {$top eq "entity" && [lindex $L [expr {$k + 1}]] eq "("} {
                    set close [closing [expr {$k + 1}] VHDL]
                    set ports [vhdl_interface [expr {$k + 2}] [expr {$close - 1}] $env $types port]
                    dict set entities $entity ports $ports
                    set k $close
                    continue
                }
                if {$top eq "component" && [lindex $L [expr {$k + 1}]] eq "("} {
                    set k [closing [expr {$k + 1}] VHDL]
                    continue
                }
            }
            signal - constant - variable - shared {
                if {$low eq "shared"} continue
                if {$stmt_start && !$in_body} {
                    set end [statement_end $k]
                    set decl [vhdl_declaration [expr {$k + 1}] $end $env $types]
                    if {$decl ne ""} {
                        lassign $decl names width mdepth lowbit value
                        foreach name $names {
                            if {$value ne ""} {
                                dict set env $name $value
                                if {$top eq "package"} { dict set pkg_env $name $value }
                            }
                            if {$arch ne "" && $proc eq "" && $::qs::hdl::decl_kind ne "constant"} {
                                dict set arch signals $name [list $width $mdepth]
                            }
                        }
                    }
                    set k [expr {$end - 1}]
                    continue
                }
            }
            type - subtype {
                if {$stmt_start} {
                    set end [statement_end $k]
                    set t [vhdl_type [expr {$k + 1}] $end $env $types]
                    if {$t ne ""} {
                        dict set types [lindex $t 0] [lindex $t 1]
                        if {$top eq "package"} { dict set pkg_types [lindex $t 0] [lindex $t 1] }
                        set k [expr {$end - 1}]
                        continue
                    }
                }
            }
            with {
                if {$stmt_start && !$in_rhs} { set select_target 1 }
                set stmt_start 0
                continue
            }
            select {
                if {$select_target} {
                    set stmt_id [lindex $T [expr {$k + 1}] 1]
                    set select_target 0
                    # The target follows; the selector before was read.
                    incr k
                    continue
                }
            }
            rising_edge - falling_edge {
                if {$proc ne "" && [lindex $L [expr {$k + 1}]] eq "(" && [lindex $T [expr {$k + 2}] 0] eq "id"} {
                    set p [lindex $proc 0]
                    dict lappend p clocks [lindex $L [expr {$k + 2}]]
                    dict set p clocked 1
                    lset proc 0 $p
                    continue
                }
            }
        }
        if {$low in {library use context attribute alias file group disconnect}} {
            if {$stmt_start} { set k [expr {[statement_end $k] - 1}] }
            continue
        }
        if {$low in $vhdl_reserved} {
            set stmt_start 0
            continue
        }
        # A plain name: the start of a statement, or something read.
        if {$stmt_start && $depth == 0 && !$in_rhs && !$cond} {
            set stmt_id [lindex $T $k 1]
            set stmt_start 0
            continue
        }
        if {$rhs ne ""} {
            dict lappend rhs reads $low
        } elseif {$proc ne "" && [lindex $proc 1] == 1} {
            set p [lindex $proc 0]
            dict lappend p reads $low
            lset proc 0 $p
        } elseif {$arch ne "" && $in_body} {
            # Names in port maps and conditions of the body count as read.
            dict lappend arch reads $low
        }
    }
    if {$depth > 0} { syntax_error VHDL [line_at $n] "end of file" "\")\"" }
    if {[llength $stack] > 0} {
        set open [lindex $stack end]
        syntax_error VHDL [line_at $n] "end of file" "\"end\" of [lindex $open 0] opened at line [lindex $open 2]"
    }
    return [list $entities $archs]
}

# Design units stand on their own: one that starts inside another means an "end" is missing.
proc ::qs::hdl::vhdl_at_top {k stack} {
    if {[llength $stack] == 0} return
    lassign [lindex $stack end] kind name line
    syntax_error VHDL [line_at $k] [near $k] "\"end\" of the $kind opened at line $line"
}

# The name after keyword k: {name index}.
proc ::qs::hdl::vhdl_expect_name {k what} {
    variable T
    incr k
    if {[lindex $T $k 0] ne "id"} { syntax_error VHDL [line_at $k] [near $k] "an identifier after \"$what\"" }
    return [list [lindex $T $k 1] $k]
}

# Checks that the token after k is `word`.
proc ::qs::hdl::vhdl_expect {k word} {
    variable L
    incr k
    if {[lindex $L $k] ne $word} { syntax_error VHDL [line_at $k] [near $k] "\"$word\"" }
}

# end [keyword] [name] ; — closes the innermost construct. Answers the index of the ";".
proc ::qs::hdl::vhdl_end {k stackVar} {
    variable T
    variable L
    variable n
    upvar 1 $stackVar stack
    set line [line_at $k]
    if {[llength $stack] == 0} { syntax_error VHDL $line "text \"end\"" }
    set frame [lindex $stack end]
    lassign $frame fkind fname fline
    set j [expr {$k + 1}]
    set word [lindex $L $j]
    set keyword ""
    if {$word in {entity architecture package configuration process block if case loop generate
            component record units protected function procedure for}} {
        set keyword $word
        incr j
        if {$word in {package protected} && [lindex $L $j] eq "body"} {
            append keyword " body"
            incr j
        }
    }
    set allowed [dict get {
        entity {"" entity} architecture {"" architecture} package {"" package}
        {package body} {"" {package body}} configuration {"" configuration}
        process process block block if if case case loop loop generate generate
        component component record record units units protected protected
        subprogram {"" function procedure} for for
    } $fkind]
    if {$keyword ni $allowed} {
        set expect [lindex $allowed [expr {[lindex $allowed 0] eq "" ? 1 : 0}]]
        if {$keyword eq ""} {
            syntax_error VHDL [line_at $j] [near $j] "\"$expect\""
        }
        syntax_error VHDL $line "text \"$keyword\"" "\"$expect\""
    }
    # The name after the keyword must be the construct's own.
    if {[lindex $T $j 0] in {id str} && [lindex $L $j] ne ";"} {
        set name [lindex $T $j 1]
        if {$fkind in {entity architecture package {package body} configuration subprogram component}
                && $fname ne "" && ![string equal -nocase $name $fname]} {
            variable file
            design_error 10396 "VHDL syntax error at [file tail $file]([line_at $j]): name used in construct must match previously specified name \"$fname\""
        }
        incr j
    }
    if {[lindex $L $j] ne ";"} { syntax_error VHDL [line_at $j] [near $j] "\";\"" }
    set stack [lrange $stack 0 end-1]
    variable closed $frame
    return $j
}

# A port or generic list in tokens from..to: list of dicts lower, name, dir, width, low, default.
proc ::qs::hdl::vhdl_interface {from to env types what} {
    variable T
    variable L
    set result {}
    set j $from
    while {$j <= $to} {
        # One declaration up to ";" at depth 0 or the end of the list.
        set e $j
        set d 0
        while {$e <= $to} {
            set w [lindex $L $e]
            if {$w eq "("} { incr d } elseif {$w eq ")"} { incr d -1 }
            if {$d == 0 && $w eq ";"} break
            incr e
        }
        set colon -1
        for {set c $j} {$c < $e} {incr c} { if {[lindex $L $c] eq ":"} { set colon $c; break } }
        if {$colon < 0} { syntax_error VHDL [line_at $j] [near $j] "\":\"" }
        set names {}
        for {set c $j} {$c < $colon} {incr c} {
            set kind [lindex $T $c 0]
            set w [lindex $L $c]
            if {$kind eq "id" && $w ni {signal constant variable file}} { lappend names [lindex $T $c 1] }
        }
        if {[llength $names] == 0} { syntax_error VHDL [line_at $j] [near $j] "an identifier" }
        set t [expr {$colon + 1}]
        set dir in
        if {[lindex $L $t] in {in out inout buffer linkage}} {
            set dir [lindex $L $t]
            incr t
        }
        set assign -1
        for {set c $t} {$c < $e} {incr c} { if {[lindex $L $c] eq ":="} { set assign $c; break } }
        set type_end [expr {$assign >= 0 ? $assign - 1 : $e - 1}]
        lassign [vhdl_width $t $type_end $env $types] width depth low
        set default ""
        if {$assign >= 0} { set default [eval_int [expr {$assign + 1}] [expr {$e - 1}] $env] }
        foreach name $names {
            lappend result [dict create lower [string tolower $name] name $name dir $dir \
                width $width low $low default $default]
        }
        set j [expr {$e + 1}]
    }
    return $result
}

# signal/constant/variable names : subtype [:= value] — {names width depth low value}.
proc ::qs::hdl::vhdl_declaration {from end env types} {
    variable T
    variable L
    variable decl_kind [lindex $L [expr {$from - 1}]]
    set colon -1
    for {set c $from} {$c < $end} {incr c} { if {[lindex $L $c] eq ":"} { set colon $c; break } }
    if {$colon < 0} { return "" }
    set names {}
    for {set c $from} {$c < $colon} {incr c} {
        if {[lindex $T $c 0] eq "id"} { lappend names [lindex $L $c] }
    }
    set assign -1
    for {set c $colon} {$c < $end} {incr c} { if {[lindex $L $c] eq ":="} { set assign $c; break } }
    set type_end [expr {$assign >= 0 ? $assign - 1 : $end - 1}]
    lassign [vhdl_width [expr {$colon + 1}] $type_end $env $types] width depth low
    set value ""
    if {$assign >= 0} { set value [eval_int [expr {$assign + 1}] [expr {$end - 1}] $env] }
    return [list $names $width $depth $low $value]
}

# type NAME is ... ; — {name {width depth low}} for arrays, enumerations and subtypes.
proc ::qs::hdl::vhdl_type {from end env types} {
    variable T
    variable L
    set name [lindex $L $from]
    if {[lindex $L [expr {$from + 1}]] ne "is"} { return "" }
    set s [expr {$from + 2}]
    set first [lindex $L $s]
    if {$first eq "("} {
        # An enumeration: state machines get a binary code.
        set count 1
        for {set c $s} {$c < $end} {incr c} { if {[lindex $L $c] eq ","} { incr count } }
        return [list $name [list [bits_for $count] 0 0]]
    }
    if {$first eq "array"} {
        set open [expr {$s + 1}]
        if {[lindex $L $open] ne "("} { return "" }
        set close [closing $open VHDL]
        set of -1
        for {set c $close} {$c < $end} {incr c} { if {[lindex $L $c] eq "of"} { set of $c; break } }
        if {$of < 0} { return "" }
        lassign [vhdl_width [expr {$of + 1}] [expr {$end - 1}] $env $types] elem
        if {[lindex $L [expr {$open + 2}]] eq "range" && [lindex $L [expr {$open + 3}]] eq "<>"} {
            # Unconstrained: sized where it is used.
            return [list $name [list 0 0 0]]
        }
        set r [vhdl_range [expr {$open + 1}] [expr {$close - 1}] $env]
        if {$r eq ""} {
            lassign [vhdl_width [expr {$open + 1}] [expr {$close - 1}] $env $types] w
            set depth [expr {1 << min($w, 20)}]
        } else {
            set depth [expr {abs([lindex $r 0] - [lindex $r 1]) + 1}]
        }
        # Arrays of single bits are vectors; deeper arrays are memories.
        if {$elem == 1} { return [list $name [list $depth 0 0]] }
        return [list $name [list $elem $depth 0]]
    }
    # A physical type's units are a construct of their own, read by the main loop.
    if {"units" in [lrange $L $s $end]} { return "" }
    if {[lindex $L [expr {$from - 1}]] eq "subtype" || $first eq "range"} {
        return [list $name [vhdl_width $s [expr {$end - 1}] $env $types]]
    }
    return ""
}

proc ::qs::hdl::generic_env {ename entities} {
    variable lib
    if {[dict exists $entities $ename]} { return [dict get $entities $ename generics] }
    if {[info exists lib($ename)]} { return [dict get $lib($ename) generics] }
    return {}
}

# label : [entity lib.]name | [component] name  [generic map (...)] port map (...);
# Answers {instance last-index} or empty when the label starts no instance.
proc ::qs::hdl::vhdl_instance {k label} {
    variable T
    variable L
    variable n
    set j $k
    set w [lindex $L $j]
    if {$w eq "entity"} {
        incr j
        if {[lindex $L [expr {$j + 1}]] eq "."} { incr j 2 }
        set name [lindex $L $j]
        incr j
        if {[lindex $L $j] eq "("} { set j [expr {[closing $j VHDL] + 1}] }
    } elseif {$w eq "component"} {
        incr j
        set name [lindex $L $j]
        incr j
    } elseif {[lindex $T $j 0] eq "id" && [lindex $L [expr {$j + 1}]] in {port generic ";"}} {
        set name $w
        incr j
    } else {
        return ""
    }
    set portmap {}
    set reads {}
    while {$j < $n && [lindex $L $j] in {generic port}} {
        set which [lindex $L $j]
        if {[lindex $L [expr {$j + 1}]] ne "map" || [lindex $L [expr {$j + 2}]] ne "("} {
            syntax_error VHDL [line_at $j] [near [expr {$j + 1}]] "\"map\""
        }
        set open [expr {$j + 2}]
        set close [closing $open VHDL]
        if {$which eq "port"} {
            # formal => actual, separated by commas at depth 1.
            set a [expr {$open + 1}]
            while {$a < $close} {
                set e $a
                set d 0
                while {$e < $close} {
                    set x [lindex $L $e]
                    if {$x eq "("} { incr d } elseif {$x eq ")"} { incr d -1 }
                    if {$d == 0 && $x eq ","} break
                    incr e
                }
                set arrow -1
                for {set c $a} {$c < $e} {incr c} { if {[lindex $L $c] eq "=>"} { set arrow $c; break } }
                if {$arrow > $a} {
                    set formal [lindex $L $a]
                    set actual ""
                    if {[lindex $T [expr {$arrow + 1}] 0] eq "id"} { set actual [lindex $L [expr {$arrow + 1}]] }
                    lappend portmap [list $formal $actual]
                    for {set c [expr {$arrow + 1}]} {$c < $e} {incr c} {
                        if {[lindex $T $c 0] eq "id"} { lappend reads [lindex $L $c] }
                    }
                }
                set a [expr {$e + 1}]
            }
        }
        set j [expr {$close + 1}]
    }
    if {[lindex $L $j] ne ";"} { syntax_error VHDL [line_at $j] [near $j] "\";\"" }
    return [list [dict create label $label entity $name portmap $portmap reads $reads \
        line [line_at $k]] [expr {$j - 1}]]
}

# ---- Verilog ----------------------------------------------------------------------------------

proc ::qs::hdl::parse_verilog {path text} {
    variable T
    variable L
    variable n
    variable file $path
    variable found {}
    load_tokens [tokenize_verilog $text]
    set lang "Verilog HDL"
    set pairs {module endmodule macromodule endmodule begin end case endcase casex endcase
        casez endcase function endfunction task endtask generate endgenerate fork join
        specify endspecify primitive endprimitive table endtable interface endinterface
        package endpackage class endclass}
    set closers {endmodule end endcase endfunction endtask endgenerate join join_any join_none
        endspecify endprimitive endtable endinterface endpackage endclass}
    set entities {}
    set archs {}
    set stack {}
    set module ""
    set arch ""
    for {set k 0} {$k < $n} {incr k} {
        set kind [lindex $T $k 0]
        set low [lindex $L $k]
        if {$kind ne "id"} continue
        if {[dict exists $pairs $low]} {
            # "extern function" and "pure virtual" prototypes have no body.
            if {$low in {function task} && [lindex $L [expr {$k - 1}]] in {extern import export}} continue
            lappend stack [list $low [line_at $k]]
            if {$low in {module macromodule}} {
                if {$module ne ""} { syntax_error $lang [line_at $k] [near $k] "\"endmodule\"" }
                set k [verilog_module $k entities arch]
                set module [dict get $arch entity]
            }
            continue
        }
        if {$low in $closers} {
            if {[llength $stack] == 0} { syntax_error $lang [line_at $k] [near $k] }
            set open [lindex $stack end 0]
            set want [dict get $pairs $open]
            if {!($low eq $want || ($want eq "join" && $low in {join_any join_none}))} {
                syntax_error $lang [line_at $k] [near $k] "\"$want\""
            }
            set stack [lrange $stack 0 end-1]
            if {$low eq "endmodule"} {
                lappend archs $arch
                set arch ""
                set module ""
            }
            continue
        }
        if {$module eq ""} continue
        # Declarations inside functions and tasks belong to them, not to the module.
        set inside 0
        foreach frame $stack { if {[lindex $frame 0] in {function task}} { set inside 1 } }
        if {$inside} continue
        set k [verilog_item $k arch entities $module]
    }
    if {[llength $stack] > 0} {
        lassign [lindex $stack end] open line
        syntax_error $lang [line_at $n] "end of file" "\"[dict get $pairs $open]\" for the \"$open\" at line $line"
    }
    return [list $entities $archs]
}

# module NAME [#(parameters)] [(ports)] ; — answers the index of the ";".
proc ::qs::hdl::verilog_module {k entitiesVar archVar} {
    variable T
    variable L
    variable n
    variable found
    upvar 1 $entitiesVar entities $archVar arch
    set lang "Verilog HDL"
    set j [expr {$k + 1}]
    if {[lindex $T $j 0] ne "id"} { syntax_error $lang [line_at $j] [near $j] "a module name" }
    set name [lindex $T $j 1]
    set lower [string tolower $name]
    lappend found [list entity $name]
    set env {}
    set ports {}
    incr j
    if {[lindex $L $j] eq "#" && [lindex $L [expr {$j + 1}]] eq "("} {
        set close [closing [expr {$j + 1}] $lang]
        set env [verilog_parameters [expr {$j + 2}] [expr {$close - 1}] $env]
        set j [expr {$close + 1}]
    }
    if {[lindex $L $j] eq "("} {
        set close [closing $j $lang]
        set ports [verilog_port_list [expr {$j + 1}] [expr {$close - 1}] $env]
        set j [expr {$close + 1}]
    }
    if {[lindex $L $j] ne ";"} { syntax_error $lang [line_at $j] [near $j] "\";\"" }
    dict set entities $lower [dict create name $name line [line_at $k] ports $ports generics $env \
        file $::qs::hdl::file]
    set arch [new_arch $name $lower [line_at $k]]
    dict set arch env $env
    return $j
}

proc ::qs::hdl::verilog_parameters {from to env} {
    variable T
    variable L
    for {set j $from} {$j <= $to} {incr j} {
        if {[lindex $T $j 0] eq "id" && [lindex $L [expr {$j + 1}]] eq "="} {
            set e [expr {$j + 2}]
            set d 0
            while {$e <= $to} {
                set x [lindex $L $e]
                if {$x in {( [ \{}} { incr d } elseif {$x in {) ] \}}} { incr d -1 }
                if {$d == 0 && $x in {, ;}} break
                incr e
            }
            set v [eval_int [expr {$j + 2}] [expr {$e - 1}] $env]
            if {$v ne ""} { dict set env [lindex $L $j] $v }
            set j $e
        }
    }
    return $env
}

# [msb:lsb] at j: {width low next-index}; width 1 when there is no range.
proc ::qs::hdl::verilog_range {j env} {
    variable L
    if {[lindex $L $j] ne "\["} { return [list 1 0 $j] }
    set close $j
    set colon -1
    set d 0
    for {set c $j} {$c < $::qs::hdl::n} {incr c} {
        set x [lindex $L $c]
        if {$x eq "\["} { incr d } elseif {$x eq "\]"} { if {[incr d -1] == 0} { set close $c; break } }
        if {$d == 1 && $x eq ":" && $colon < 0} { set colon $c }
    }
    if {$colon < 0} { return [list 8 0 [expr {$close + 1}]] }
    set a [eval_int [expr {$j + 1}] [expr {$colon - 1}] $env]
    set b [eval_int [expr {$colon + 1}] [expr {$close - 1}] $env]
    if {$a eq "" || $b eq ""} { return [list 8 0 [expr {$close + 1}]] }
    return [list [expr {abs($a - $b) + 1}] [expr {min($a, $b)}] [expr {$close + 1}]]
}

proc ::qs::hdl::verilog_port_list {from to env} {
    variable T
    variable L
    set ports {}
    set dir ""
    set width 1
    set low 0
    set j $from
    while {$j <= $to} {
        set w [lindex $L $j]
        if {$w in {input output inout}} {
            set dir [dict get {input in output out inout inout} $w]
            incr j
            while {[lindex $L $j] in {wire reg logic signed unsigned var}} { incr j }
            lassign [verilog_range $j $env] width low j
            continue
        }
        if {[lindex $T $j 0] eq "id" && $w ni {wire reg logic signed unsigned}} {
            # A non-ANSI list names ports whose directions come later.
            lappend ports [dict create lower $w name [lindex $T $j 1] dir [expr {$dir eq "" ? "?" : $dir}] \
                width $width low $low default ""]
        }
        incr j
    }
    return $ports
}

# One module item from k; answers the index of its last token.
proc ::qs::hdl::verilog_item {k archVar entitiesVar module} {
    variable T
    variable L
    variable n
    upvar 1 $archVar arch $entitiesVar entities
    set env [dict get $arch env]
    set low [lindex $L $k]
    switch -- $low {
        input - output - inout {
            set dir [dict get {input in output out inout inout} $low]
            set j [expr {$k + 1}]
            set isreg 0
            while {[lindex $L $j] in {wire reg logic signed unsigned}} {
                if {[lindex $L $j] in {reg logic}} { set isreg 1 }
                incr j
            }
            lassign [verilog_range $j $env] width lowbit j
            set end [statement_end $j]
            set ports [dict get $entities $module ports]
            for {} {$j < $end} {incr j} {
                if {[lindex $T $j 0] ne "id"} continue
                set name [lindex $L $j]
                set found 0
                for {set p 0} {$p < [llength $ports]} {incr p} {
                    if {[dict get [lindex $ports $p] lower] eq $name} {
                        set port [lindex $ports $p]
                        dict set port dir $dir
                        dict set port width $width
                        dict set port low $lowbit
                        lset ports $p $port
                        set found 1
                    }
                }
                if {!$found} {
                    lappend ports [dict create lower $name name [lindex $T $j 1] dir $dir width $width low $lowbit default ""]
                }
            }
            dict set entities $module ports $ports
            return [expr {$end - 1}]
        }
        parameter - localparam {
            set end [statement_end $k]
            dict set arch env [verilog_parameters [expr {$k + 1}] [expr {$end - 1}] $env]
            return [expr {$end - 1}]
        }
        reg - wire - logic - integer {
            set j [expr {$k + 1}]
            while {[lindex $L $j] in {signed unsigned}} { incr j }
            if {$low eq "integer"} { set width 32; set lowbit 0 } else { lassign [verilog_range $j $env] width lowbit j }
            set end [statement_end $j]
            while {$j < $end} {
                if {[lindex $T $j 0] eq "id"} {
                    set name [lindex $L $j]
                    set depth 0
                    if {[lindex $L [expr {$j + 1}]] eq "\["} {
                        lassign [verilog_range [expr {$j + 1}] $env] depth x j
                        incr j -1
                    }
                    dict set arch signals $name [list $width $depth]
                }
                if {[lindex $L $j] eq "="} {
                    # An initial value: skip to the next declared name.
                    while {$j < $end && [lindex $L $j] ne ","} { incr j }
                }
                incr j
            }
            return [expr {$end - 1}]
        }
        assign {
            set end [statement_end $k]
            set eq -1
            for {set c $k} {$c < $end} {incr c} { if {[lindex $L $c] eq "="} { set eq $c; break } }
            if {$eq > $k} {
                set rhs [dict create target [lindex $L [expr {$k + 1}]] reads {} arith 0 mult 0 line [line_at $k]]
                for {set c [expr {$eq + 1}]} {$c < $end} {incr c} {
                    set x [lindex $L $c]
                    if {[lindex $T $c 0] eq "id"} { dict lappend rhs reads $x }
                    if {$x in {+ -} && [lindex $T [expr {$c - 1}] 0] in {id num}} { dict incr rhs arith }
                    if {$x eq "*"} { dict incr rhs mult }
                }
                dict lappend arch concurrent $rhs
            }
            return [expr {$end - 1}]
        }
        always - always_ff - always_comb - always_latch - initial {
            return [verilog_always $k arch]
        }
    }
    # NAME [#(...)] INSTANCE ( connections ) ;
    if {[lindex $T $k 0] eq "id" && ![verilog_keyword $low]} {
        set j [expr {$k + 1}]
        if {[lindex $L $j] eq "#" && [lindex $L [expr {$j + 1}]] eq "("} {
            set j [expr {[closing [expr {$j + 1}] "Verilog HDL"] + 1}]
        }
        if {[lindex $T $j 0] eq "id" && [lindex $L [expr {$j + 1}]] eq "("} {
            set label [lindex $T $j 1]
            set open [expr {$j + 1}]
            set close [closing $open "Verilog HDL"]
            set portmap {}
            set reads {}
            for {set c $open} {$c < $close} {incr c} {
                if {[lindex $L $c] eq "." && [lindex $T [expr {$c + 1}] 0] eq "id" && [lindex $L [expr {$c + 2}]] eq "("} {
                    set actual ""
                    if {[lindex $T [expr {$c + 3}] 0] eq "id"} { set actual [lindex $L [expr {$c + 3}]] }
                    lappend portmap [list [lindex $L [expr {$c + 1}]] $actual]
                }
                if {[lindex $T $c 0] eq "id"} { lappend reads [lindex $L $c] }
            }
            dict lappend arch instances [dict create label $label entity $low portmap $portmap \
                reads $reads line [line_at $k]]
            set end [statement_end $close]
            return [expr {$end - 1}]
        }
    }
    return $k
}

proc ::qs::hdl::verilog_keyword {word} {
    return [expr {$word in {module endmodule begin end if else case casex casez endcase for while
        repeat forever function endfunction task endtask generate endgenerate genvar always
        initial assign wire reg logic input output inout parameter localparam integer real
        default posedge negedge or and not defparam specify endspecify fork join return}}]
}

# always @(...) statement — records a process; answers the index of the statement's last token.
proc ::qs::hdl::verilog_always {k archVar} {
    variable T
    variable L
    variable n
    upvar 1 $archVar arch
    set j [expr {$k + 1}]
    set edges {}
    if {[lindex $L $j] eq "@"} {
        incr j
        if {[lindex $L $j] eq "("} {
            set close [closing $j "Verilog HDL"]
            for {set c $j} {$c < $close} {incr c} {
                if {[lindex $L $c] in {posedge negedge} && [lindex $T [expr {$c + 1}] 0] eq "id"} {
                    lappend edges [lindex $L [expr {$c + 1}]]
                }
            }
            set j [expr {$close + 1}]
        } else {
            incr j
        }
    }
    # The statement: a begin-end block or one statement up to ";".
    set start $j
    if {[lindex $L $j] eq "begin"} {
        set d 0
        for {} {$j < $n} {incr j} {
            set x [lindex $L $j]
            if {$x in {begin case casex casez fork}} { incr d }
            if {$x in {end endcase join}} { if {[incr d -1] == 0} break }
        }
        set last $j
    } else {
        set last [statement_end $j]
    }
    if {$last >= $n} { set last [expr {$n - 1}] }
    set clock ""
    foreach e $edges {
        if {![regexp -nocase {rst|reset|clr|clear} $e]} { set clock $e; break }
    }
    if {$clock eq "" && [llength $edges] > 0} { set clock [lindex $edges 0] }
    set p [dict create clocked [expr {$clock ne ""}] clocks [expr {$clock eq "" ? {} : [list $clock]}] \
        targets {} reads {} arith 0 mult 0 line [line_at $k]]
    set d 0
    for {set c $start} {$c <= $last} {incr c} {
        set x [lindex $L $c]
        if {$x in {( \[}} { incr d } elseif {$x in {) \]}} { incr d -1 }
        if {[lindex $T $c 0] eq "id"} {
            set next [lindex $L [expr {$c + 1}]]
            set after $c
            if {$next eq "\["} {
                set dd 0
                for {set after [expr {$c + 1}]} {$after <= $last} {incr after} {
                    set y [lindex $L $after]
                    if {$y eq "\["} { incr dd } elseif {$y eq "\]"} { if {[incr dd -1] == 0} break }
                }
                set next [lindex $L [expr {$after + 1}]]
            }
            if {$d == 0 && $next in {<= =} && ![verilog_keyword $x]} {
                dict lappend p targets $x
            } elseif {![verilog_keyword $x]} {
                dict lappend p reads $x
            }
        }
        if {$x in {+ -} && [lindex $T [expr {$c - 1}] 0] in {id num}} { dict incr p arith }
        if {$x eq "*"} { dict incr p mult }
    }
    dict lappend arch processes $p
    return $last
}

# ---- EDIF -------------------------------------------------------------------------------------

# The cells of an EDIF netlist: ports from their interfaces, flip-flops and other primitives
# from their contents, and instances of the netlist's own cells.
proc ::qs::hdl::parse_edif {path text} {
    variable file $path
    variable found {}
    variable edif_top ""
    set tokens [regexp -all -inline -indices {\(|\)|"[^"]*"|[^\s()"]+} $text]
    set stack {}        ;# frames: {keyword arguments}
    set cells {}
    set cell ""
    set port ""
    set line 1
    set pos 0
    foreach range $tokens {
        lassign $range s e
        incr line [regexp -all \n [string range $text $pos $s]]
        set pos $s
        set tok [string range $text $s $e]
        if {$tok eq "("} {
            lappend stack [list "" 0]
            continue
        }
        if {$tok eq ")"} {
            if {[llength $stack] == 0} { syntax_error EDIF $line "text \")\"" }
            set keyword [lindex $stack end 0]
            set stack [lrange $stack 0 end-1]
            if {$keyword eq "port" && $port ne "" && $cell ne ""} {
                if {[dict get $port name] ne ""} { dict lappend cell ports $port }
                set port ""
            } elseif {$keyword eq "cell" && $cell ne ""} {
                dict set cells [dict get $cell lower] $cell
                set cell ""
            }
            continue
        }
        if {[llength $stack] == 0} { syntax_error EDIF $line "text \"$tok\"" "\"(\"" }
        lassign [lindex $stack end] keyword count
        if {$keyword eq ""} {
            set keyword [string tolower $tok]
            lset stack end [list $keyword 0]
            if {[llength $stack] == 1 && $keyword ne "edif"} { syntax_error EDIF $line "text \"$tok\"" "\"edif\"" }
            if {$keyword eq "port" && $cell ne ""} {
                set port [dict create lower "" name "" dir in width 1 low 0 default ""]
            }
            continue
        }
        lset stack end 1 [incr count]
        set parent [lindex $stack end-1 0]
        switch -- $keyword {
            cell {
                if {$count == 1 && $cell eq ""} {
                    set cell [dict create lower [string tolower $tok] name $tok ports {} instances {} \
                        line $line user 0]
                }
            }
            port - array - rename {
                if {$count == 1 && $port ne "" && [dict get $port name] eq "" && ![string match {"*} $tok]} {
                    dict set port name $tok
                    dict set port lower [string tolower $tok]
                } elseif {$keyword eq "array" && $count == 2 && $port ne "" && [string is integer -strict $tok]} {
                    dict set port width $tok
                    dict set port vector 1
                }
            }
            direction {
                if {$port ne ""} {
                    set d [string tolower $tok]
                    if {[dict exists {input in output out inout inout} $d]} {
                        dict set port dir [dict get {input in output out inout inout} $d]
                    }
                }
            }
            cellref {
                if {$count == 1} {
                    if {$cell ne ""} {
                        dict lappend cell instances [string tolower $tok]
                    } elseif {$parent eq "design"} {
                        set edif_top [string tolower $tok]
                    }
                }
            }
        }
        if {$keyword eq "contents" || $parent eq "contents"} {
            if {$cell ne ""} { dict set cell user 1 }
        }
    }
    if {[llength $stack] != 0} { syntax_error EDIF $line "end of file" "\")\"" }
    if {[llength $tokens] == 0} { syntax_error EDIF 1 "end of file" "\"(edif\"" }
    set entities {}
    set archs {}
    dict for {lower c} $cells {
        if {![dict get $c user]} continue
        set regs 0
        set luts 0
        set instances {}
        set i 0
        foreach ref [dict get $c instances] {
            if {[dict exists $cells $ref] && [dict get $cells $ref user]} {
                lappend instances [dict create label "inst[incr i]" entity $ref portmap {} reads {} line 0]
            } elseif {[regexp {^(dff|fd|reg|latch|ff)} $ref]} {
                incr regs
            } else {
                incr luts
            }
        }
        lappend found [list entity [dict get $c name]]
        dict set entities $lower [dict create name [dict get $c name] line [dict get $c line] \
            ports [dict get $c ports] generics {} file $path]
        set arch [new_arch netlist $lower [dict get $c line]]
        dict set arch instances $instances
        dict set arch netlist_regs $regs
        dict set arch netlist_luts $luts
        lappend archs $arch
    }
    return [list $entities $archs]
}

# ---- Library and elaboration ------------------------------------------------------------------

# Reads one design file into the library. Answers the design units found, for the messages.
# Raises {HDL SYNTAX id} or {HDL DESIGN id} errors with the message text.
proc ::qs::hdl::read_file {path kind} {
    variable lib
    variable found
    set text [::qs::read_file $path]
    switch -- $kind {
        vhdl { lassign [parse_vhdl $path $text] entities archs }
        verilog { lassign [parse_verilog $path $text] entities archs }
        edif { lassign [parse_edif $path $text] entities archs }
    }
    dict for {lower e} $entities {
        if {[info exists lib($lower)]} {
            set other [file tail [dict get $lib($lower) file]]
            design_error 12018 "Design entity \"[dict get $e name]\" is declared in [file tail $path]([dict get $e line]) and again in $other"
        }
        dict set e archs {}
        set lib($lower) $e
    }
    foreach a $archs {
        set owner [dict get $a entity]
        if {![info exists lib($owner)]} {
            design_error 10482 "VHDL error at [file tail $path]([dict get $a line]): entity \"$owner\" of architecture \"[dict get $a name]\" is not declared"
        }
        dict lappend lib($owner) archs $a
    }
    return $found
}

proc ::qs::hdl::has_entity {name} {
    variable lib
    return [info exists lib([string tolower $name])]
}

proc ::qs::hdl::entity_name {name} {
    variable lib
    return [dict get $lib([string tolower $name]) name]
}

# Elaborates the hierarchy under `top`. Answers a dict of figures:
#   top ports registers luts memory_bits dsp clocks internal_clocks carry tsu tco tpd
#   hierarchy (rows: path entity registers luts memory_bits dsp) unused_inputs stuck_outputs
proc ::qs::hdl::elaborate {top} {
    variable lib
    set lower [string tolower $top]
    set rows {}
    set s [elaborate_unit $lower "|[dict get $lib($lower) name]" 0 {} rows]
    set entity $lib($lower)
    dict set s top [dict get $entity name]
    dict set s ports [dict get $entity ports]
    dict set s hierarchy $rows
    return $s
}

proc ::qs::hdl::elaborate_unit {lower path depth visiting rowsVar} {
    variable lib
    upvar 1 $rowsVar rows
    if {$depth > 64} { design_error 12152 "The hierarchy below $path is deeper than 64 levels" }
    if {$lower in $visiting} { design_error 12153 "Entity \"[dict get $lib($lower) name]\" instantiates itself through $path" }
    lappend visiting $lower
    set entity $lib($lower)
    set ports {}
    foreach p [dict get $entity ports] { dict set ports [dict get $p lower] $p }
    set archs [dict get $entity archs]
    set s [dict create registers 0 luts 0 memory_bits 0 dsp 0 clocks {} internal_clocks {} carry 0 carry_reg "" \
        tsu 0 tco 0 tpd 0 reg_inputs {} reg_outputs {} comb_inputs {} comb_outputs {} \
        unused_inputs {} stuck_outputs {} domains {}]
    if {[llength $archs] == 0} {
        # An entity without architecture is a black box: its ports are all it has.
        lappend rows [list $path [dict get $entity name] 0 0 0 0]
        return $s
    }
    # The most recently read architecture is the one used, as a compiler binds by default.
    set arch [lindex $archs end]
    set signals [dict get $arch signals]
    # Node names below the top carry the instance path: "sub:u1|q".
    set prefix [join [lrange [split $path |] 2 end] |]
    if {$prefix ne ""} { append prefix | }
    set width_of {}
    dict for {name p} $ports { dict set width_of $name [dict get $p width] }
    dict for {name sw} $signals { dict set width_of $name [lindex $sw 0] }
    set regs {}
    set registers 0
    set memory 0
    set luts 0
    set dsp 0
    set read {}
    set driven {}
    set clocks {}
    if {[dict exists $arch netlist_regs]} {
        set registers [dict get $arch netlist_regs]
        set luts [dict get $arch netlist_luts]
        foreach name [dict keys $ports] {
            if {[dict get $ports $name dir] eq "in"} { lappend read $name } else { lappend driven $name }
        }
        if {$registers > 0} {
            foreach name [dict keys $ports] {
                if {[regexp {^cl(oc)?k} $name] && [dict get $ports $name dir] eq "in"} { lappend clocks $name; break }
            }
        }
    }
    foreach p [dict get $arch processes] {
        foreach r [dict get $p reads] { lappend read $r }
        foreach t [dict get $p targets] { lappend driven $t }
        incr dsp [dict get $p mult]
        set width 0
        set widest 0
        set widest_name ""
        if {[dict get $p clocked]} {
            foreach c [dict get $p clocks] {
                if {$c ni $clocks} { lappend clocks $c }
            }
            foreach t [lsort -unique [dict get $p targets]] {
                if {$t in $regs} continue
                lappend regs $t
                if {[dict exists $signals $t] && [lindex [dict get $signals $t] 1] > 0} {
                    lassign [dict get $signals $t] w d
                    incr memory [expr {$w * $d}]
                    continue
                }
                set w [expr {[dict exists $width_of $t] ? [dict get $width_of $t] : 1}]
                incr registers $w
                incr width $w
                incr luts $w
                if {$w > $widest} { set widest $w; set widest_name $t }
            }
            foreach c [dict get $p clocks] {
                dict set s domains $c [expr {([dict exists $s domains $c] ? [dict get $s domains $c] : 0) + $width}]
            }
            # The widest register of a process with arithmetic sets its carry chain.
            if {[dict get $p arith] > 0 && $widest > [dict get $s carry]} {
                dict set s carry $widest
                dict set s carry_reg $prefix$widest_name
            }
            incr luts [expr {2 * [dict get $p arith]}]
        } else {
            foreach t [lsort -unique [dict get $p targets]] {
                incr luts [expr {[dict exists $width_of $t] ? [dict get $width_of $t] : 1}]
            }
        }
    }
    foreach c [dict get $arch concurrent] {
        set t [dict get $c target]
        lappend driven $t
        foreach r [dict get $c reads] { lappend read $r }
        set w [expr {[dict exists $width_of $t] ? [dict get $width_of $t] : 1}]
        # A plain wire or a slice costs nothing; logic of several signals a LUT per bit.
        set sources 0
        foreach r [lsort -unique [dict get $c reads]] {
            if {[dict exists $width_of $r]} { incr sources }
        }
        if {$sources > 1} { incr luts $w }
        incr dsp [dict get $c mult]
    }
    if {[dict exists $arch reads]} { foreach r [dict get $arch reads] { lappend read $r } }
    set read [lsort -unique $read]
    # Ports: what registers feed and what they are fed from.
    set reg_outputs {}
    set reg_inputs {}
    set comb_inputs {}
    set comb_outputs {}
    foreach p [dict get $arch processes] {
        if {[dict get $p clocked]} {
            foreach r [dict get $p reads] {
                if {[dict exists $ports $r] && [dict get $ports $r dir] in {in inout} && $r ni [dict get $p clocks]} {
                    lappend reg_inputs $r
                }
            }
            foreach t [dict get $p targets] {
                if {[dict exists $ports $t] && [dict get $ports $t dir] in {out inout buffer}} { lappend reg_outputs $t }
            }
        }
    }
    foreach c [dict get $arch concurrent] {
        set t [dict get $c target]
        if {![dict exists $ports $t] || [dict get $ports $t dir] ni {out inout buffer}} continue
        foreach r [dict get $c reads] {
            if {$r in $regs} { lappend reg_outputs $t }
            if {[dict exists $ports $r] && [dict get $ports $r dir] in {in inout}} {
                lappend comb_inputs $r
                lappend comb_outputs $t
            }
        }
    }
    set row_index [llength $rows]
    lappend rows {}
    # Instances: their figures add up; their ports map onto this unit's names.
    set sub_regs 0
    set sub_luts 0
    foreach inst [dict get $arch instances] {
        set child [string tolower [dict get $inst entity]]
        foreach r [dict get $inst reads] { lappend read $r }
        if {![info exists lib($child)]} {
            design_error 12006 "Node instance \"[dict get $inst label]\" instantiates undefined entity \"[dict get $inst entity]\""
        }
        set cs [elaborate_unit $child "$path|[dict get $lib($child) name]:[dict get $inst label]" \
            [expr {$depth + 1}] $visiting rows]
        foreach key {registers luts memory_bits dsp} { dict incr s $key [dict get $cs $key] }
        incr sub_regs [dict get $cs registers]
        incr sub_luts [dict get $cs luts]
        if {[dict get $cs carry] > [dict get $s carry]} {
            dict set s carry [dict get $cs carry]
            dict set s carry_reg [dict get $cs carry_reg]
        }
        set map {}
        set child_ports {}
        foreach p [dict get $lib($child) ports] { dict set child_ports [dict get $p lower] [dict get $p dir] }
        foreach pair [dict get $inst portmap] {
            lassign $pair formal actual
            if {$actual eq ""} continue
            dict set map $formal $actual
            if {[dict exists $child_ports $formal] && [dict get $child_ports $formal] in {out inout buffer}} {
                lappend driven $actual
            }
        }
        foreach c [concat [dict get $cs clocks] [dict get $cs internal_clocks]] {
            set mapped [expr {[dict exists $map $c] ? [dict get $map $c] : ""}]
            if {$mapped ne "" && $mapped ni $clocks} { lappend clocks $mapped }
            if {$mapped ne ""} {
                set w [expr {[dict exists $cs domains $c] ? [dict get $cs domains $c] : 0}]
                dict set s domains $mapped [expr {([dict exists $s domains $mapped] ? [dict get $s domains $mapped] : 0) + $w}]
            }
        }
        foreach {key mine} {reg_inputs reg_inputs reg_outputs reg_outputs comb_inputs comb_inputs comb_outputs comb_outputs} {
            foreach f [dict get $cs $key] {
                if {![dict exists $map $f]} continue
                set actual [dict get $map $f]
                if {$key eq "reg_outputs"} { lappend regs $actual }
                if {[dict exists $ports $actual]} { lappend $mine $actual }
            }
        }
    }
    # Signals that registers drive and that concurrent logic passes on to an output.
    foreach c [dict get $arch concurrent] {
        set t [dict get $c target]
        if {![dict exists $ports $t] || [dict get $ports $t dir] ni {out inout buffer}} continue
        foreach r [dict get $c reads] { if {$r in $regs} { lappend reg_outputs $t } }
    }
    set port_clocks {}
    set internal {}
    foreach c $clocks {
        if {[dict exists $ports $c]} { lappend port_clocks $c } else { lappend internal $c }
    }
    set read [lsort -unique $read]
    set unused {}
    set stuck {}
    dict for {name p} $ports {
        if {[dict get $p dir] eq "in" && $name ni $read && $name ni $port_clocks} { lappend unused $name }
        if {[dict get $p dir] in {out buffer} && $name ni $driven} { lappend stuck $name }
    }
    dict incr s registers $registers
    dict incr s luts $luts
    dict incr s memory_bits $memory
    dict incr s dsp $dsp
    dict set s clocks $port_clocks
    dict set s internal_clocks $internal
    dict set s reg_inputs [lsort -unique $reg_inputs]
    dict set s reg_outputs [lsort -unique $reg_outputs]
    dict set s comb_inputs [lsort -unique $comb_inputs]
    dict set s comb_outputs [lsort -unique $comb_outputs]
    dict set s tsu [expr {[llength $reg_inputs] > 0}]
    dict set s tco [expr {[llength $reg_outputs] > 0}]
    if {[llength $comb_outputs] > 0} { dict set s tpd 1 }
    dict set s unused_inputs $unused
    dict set s stuck_outputs $stuck
    lset rows $row_index [list $path [dict get $entity name] [dict get $s registers] [dict get $s luts] \
        [dict get $s memory_bits] [dict get $s dsp]]
    return $s
}

# The bits of a port: led[0] .. led[3] for a vector, the name alone for a single bit.
proc ::qs::hdl::port_bits {port} {
    set name [dict get $port name]
    set width [dict get $port width]
    if {$width <= 1 && ![dict exists $port vector]} { return [list $name] }
    set low [dict get $port low]
    set bits {}
    for {set i 0} {$i < $width} {incr i} { lappend bits "$name\[[expr {$low + $i}]\]" }
    return $bits
}
