# quartus_fit, the Fitter: places the netlist's pins on the package's balls, counts the device
# resources the design takes and works out the delays of its paths for timing analysis.

namespace eval ::qs::fit {
    variable help {quartus_fit: Fitter

Usage: quartus_fit PROJECT [--rev=REVISION] [--set=NAME=VALUE]...

Places the netlist of quartus_map on the device: pins at their location assignments
(set_location_assignment PIN_xx -to pin), the others at free balls, and writes PROJECT.fit.rpt
and the placed netlist for the timing analysers and the assembler under db/.

Options:
  --rev=REVISION        the revision to process (default: the project's first)
  -c REVISION           the same
  --set=NAME=VALUE      a global assignment for this run only
  --help, --version

Exit status: 0 on success, 2 for a command-line error, 3 when the design does not fit.
MORVEL_REPLAY_QUARTUS_FIT=FILE writes FILE as the report instead of the tool's own.}

    variable io_standards {
        "1.2 V" "1.5 V" "1.8 V" "2.5 V" "3.0-V LVTTL" "3.0-V LVCMOS" "1.2-V HSTL" "1.5-V HSTL"
        "1.8-V HSTL" "SSTL-12" "SSTL-125" "SSTL-135" "SSTL-15" "SSTL-18" "SSTL-2" "LVDS" "MINI-LVDS"
        "RSDS" "DIFFERENTIAL 1.5-V SSTL" "DIFFERENTIAL 1.8-V SSTL" "1.5 V PCML" "1.4-V PCML"
        "HCSL" "LVPECL" "1.2-V HSUL"
    }
}

proc ::qs::fit::main {argv} {
    variable help
    return [::qs::project_tool quartus_fit Fitter fit $argv {} $help ::qs::fit::run]
}

# Quartus wildcards: "*" for any text; names compare without regard to case.
proc ::qs::fit::name_match {pattern name} {
    if {[string first * $pattern] < 0} { return [string equal -nocase $pattern $name] }
    set re ^
    foreach ch [split $pattern ""] {
        if {$ch eq "*"} {
            append re .*
        } elseif {[string is alnum $ch] || $ch eq "_"} {
            append re $ch
        } else {
            append re "\\$ch"
        }
    }
    return [regexp -nocase -- "$re\$" $name]
}

proc ::qs::fit::run {} {
    set a $::qs::args
    set project [::qs::open_project [dict get $a project] [dict get $a rev] [dict get $a set]]
    ::qs::remove_file [::qs::out_path $project .fit.rpt]
    ::qs::remove_file [::qs::db_path $project fit]
    set netlist [::qs::db_read $project map "Analysis & Synthesis (quartus_map)"]
    set device [::qs::dev::parse [dict get $netlist device]]
    set assigned [::qs::assigned $project DEVICE [dict get $netlist device]]
    if {![string equal -nocase $assigned [dict get $netlist device]] && ![string equal -nocase AUTO $assigned]} {
        ::qs::fail "The netlist was synthesized for [dict get $netlist device], but the revision now targets $assigned: run Analysis & Synthesis (quartus_map) again" 20012
    }
    ::qs::inform "Selected device [dict get $device name] for design \"[dict get $netlist revision]\"" 119006
    set stats [dict get $netlist stats]
    set pins [dict get $netlist pins]
    if {[llength $pins] > [dict get $device io]} {
        ::qs::fail "The design needs [llength $pins] I/O pins, but device [dict get $device name] has [dict get $device io]" 171000
    }
    set placed [place_pins $project $device $pins]
    ::qs::check_errors
    set resources [resources $device $stats $pins]
    set timing [timing $device $netlist $placed]
    ::qs::inform "Fitter placement was successful" 170137
    ::qs::inform "Router estimated peak interconnect usage is [dict get $resources peak_h]% of the available device resources" 170195
    set result [dict create device [dict get $device name] revision [dict get $netlist revision] \
        top [dict get $stats top] stats $stats pins $placed resources $resources timing $timing \
        fingerprint [::qs::crc [list [dict get $netlist fingerprint] $placed]]]
    ::qs::db_write $project fit $result
    write_report $project $device $result
}

# Pins at their location assignments, the rest at free balls chosen from their names. Answers
# rows {name dir location bank standard assigned}.
proc ::qs::fit::place_pins {project device pins} {
    set by_ball {}
    set location {}
    foreach asg [::qs::locations $project] {
        set target [dict get $asg to]
        set ball [dict get $asg value]
        set matched 0
        foreach pin $pins {
            set name [lindex $pin 0]
            if {![name_match $target $name]} continue
            set matched 1
            set rc [::qs::dev::ball $device $ball]
            if {$rc eq ""} {
                ::qs::error_msg "Can't place pin \"$name\" at location \"$ball\": package [dict get $device package] of [dict get $device name] has no such ball" 171016
                continue
            }
            set canonical [::qs::dev::ball_name $device {*}$rc]
            if {[dict exists $by_ball $canonical] && ![string equal -nocase [dict get $by_ball $canonical] $name]} {
                ::qs::error_msg "Can't place multiple pins assigned to pin location $canonical (pins \"[dict get $by_ball $canonical]\" and \"$name\")" 176310
                continue
            }
            dict set by_ball $canonical $name
            dict set location [string tolower $name] [list $canonical {*}$rc]
        }
        if {!$matched} {
            ::qs::warning "Node \"$target\" is assigned to location or region, but does not exist in design" 15706
        }
    }
    set unassigned {}
    foreach pin $pins {
        if {![dict exists $location [string tolower [lindex $pin 0]]]} { lappend unassigned [lindex $pin 0] }
    }
    if {[llength $unassigned] > 0} {
        ::qs::critical "No exact pin location assignment(s) for [llength $unassigned] pins of [llength $pins] total pins: the Fitter placed them" 169085
        set grid [dict get $device grid]
        foreach name $unassigned {
            ::qs::inform "Pin $name not assigned to an exact location on the device" 169086 1
            # A free ball away from the package edge, found from the pin's name.
            set h [::qs::crc [string tolower $name]]
            set span [expr {$grid - 4}]
            for {set try 0} {$try < $grid * $grid} {incr try} {
                set r [expr {2 + ($h + $try * 7) % $span}]
                set c [expr {3 + ($h / 97 + $try * 13) % $span}]
                set ball [::qs::dev::ball_name $device $r $c]
                if {![dict exists $by_ball $ball]} break
            }
            dict set by_ball $ball $name
            dict set location [string tolower $name] [list $ball $r $c]
        }
    }
    # I/O standards, by instance assignment, 2.5 V otherwise.
    variable io_standards
    set standard {}
    foreach asg [::qs::instances $project IO_STANDARD] {
        set value [dict get $asg value]
        set known ""
        foreach s $io_standards { if {[string equal -nocase $s $value]} { set known $s } }
        set matched 0
        foreach pin $pins {
            if {![name_match [dict get $asg to] [lindex $pin 0]]} continue
            set matched 1
            if {$known eq ""} {
                ::qs::warning "I/O standard \"$value\" of pin \"[lindex $pin 0]\" is not a Stratix V I/O standard: the pin uses 2.5 V" 15709
            } else {
                dict set standard [string tolower [lindex $pin 0]] $known
            }
        }
        if {!$matched} {
            ::qs::warning "Ignored I/O standard assignment to \"[dict get $asg to]\": the design has no such pin" 15706
        }
    }
    set rows {}
    foreach pin $pins {
        lassign $pin name dir
        set key [string tolower $name]
        if {![dict exists $location $key]} continue
        lassign [dict get $location $key] ball r c
        set std [expr {[dict exists $standard $key] ? [dict get $standard $key] : "2.5 V"}]
        lappend rows [list $name $dir $ball [::qs::dev::bank $device $r $c] $std \
            [expr {$name ni $unassigned}] $r $c]
    }
    return $rows
}

proc ::qs::fit::resources {device stats pins} {
    set luts [dict get $stats luts]
    set registers [dict get $stats registers]
    set alms [::qs::map::alms_needed $luts $registers]
    set both [expr {min($alms, $registers / 4 + $luts / 4)}]
    set lut_only [expr {max(0, ($luts + 1) / 2 - $both)}]
    set reg_only [expr {max(0, $alms - $both - $lut_only)}]
    set placed [expr {$both + $lut_only + $reg_only}]
    set recoverable [expr {$placed - $alms > 0 ? $placed - $alms : ($alms > 20 ? $alms / 40 : 0)}]
    set placed [expr {$alms + $recoverable}]
    set labs [expr {($placed + 9) / 10}]
    set m20k [expr {([dict get $stats memory_bits] + 20479) / 20480}]
    set clocks [expr {[llength [dict get $stats clocks]] + [llength [dict get $stats internal_clocks]]}]
    set fanout [expr {$registers * 2 + $luts * 3 + [llength $pins]}]
    set nodes [expr {max(1, $registers + $luts + [llength $pins])}]
    set use [expr {100.0 * $placed / [dict get $device alms]}]
    return [dict create alms $alms placed $placed both $both lut_only $lut_only reg_only $reg_only \
        recoverable $recoverable labs $labs m20k $m20k clocks $clocks fanout $fanout nodes $nodes \
        avg_h [format %.1f [expr {min(99.0, $use * 0.9)}]] peak_h [format %.1f [expr {min(99.0, 1.0 + $use * 8)}]]]
}

# Path delays in nanoseconds, from the netlist's figures and the device's speed grade. A small
# placement-dependent spread keeps different designs from timing identically.
proc ::qs::fit::timing {device netlist placed} {
    set stats [dict get $netlist stats]
    set f [::qs::dev::delay_factor $device]
    set spread [expr {0.97 + ([::qs::crc [list [dict get $netlist fingerprint] $placed]] % 61) / 1000.0}]
    set k [expr {$f * $spread}]
    set carry [dict get $stats carry]
    set domains {}
    dict for {clock width} [dict get $stats domains] {
        if {$width <= 0} continue
        set levels [expr {1 + int(log(1 + $width) / log(2) / 3)}]
        set t [expr {(0.62 + 0.052 * $carry + 0.11 * $levels) * $k}]
        set hold [expr {(0.18 + 0.02 * $levels) * $spread}]
        set port [expr {$clock in [dict get $stats clocks]}]
        dict set domains $clock [dict create setup $t hold $hold registers $width port $port]
    }
    set first [first_register $stats]
    set last [last_register $stats]
    set inputs [dict get $stats reg_inputs]
    set outputs [dict get $stats reg_outputs]
    set result [dict create domains $domains from_reg $first to_reg $last]
    if {[dict get $stats tsu] && [llength $inputs] > 0} {
        dict set result tsu [dict create value [expr {(1.05 + 0.03 * $carry) * $k}] from [pin_of $placed [lindex $inputs 0]] to $first]
        dict set result th [dict create value [expr {-0.41 * $spread}] from [pin_of $placed [lindex $inputs end]] to $first]
    }
    if {[dict get $stats tco] && [llength $outputs] > 0} {
        dict set result tco [dict create value [expr {(4.35 + 0.01 * $carry) * $k}] from $last to [pin_of $placed [lindex $outputs end] end]]
    }
    if {[dict get $stats tpd]} {
        set in [lindex [dict get $stats comb_inputs] 0]
        set out [lindex [dict get $stats comb_outputs] 0]
        dict set result tpd [dict create value [expr {6.12 * $k}] from [pin_of $placed $in] to [pin_of $placed $out end]]
    }
    return $result
}

# The register bits at either end of the longest path.
proc ::qs::fit::first_register {stats} {
    return "[register_base $stats]\[0\]"
}

proc ::qs::fit::last_register {stats} {
    set carry [dict get $stats carry]
    return "[register_base $stats]\[[expr {max(0, $carry - 1)}]\]"
}

proc ::qs::fit::register_base {stats} {
    if {[dict exists $stats carry_reg] && [dict get $stats carry_reg] ne ""} { return [dict get $stats carry_reg] }
    return "[string tolower [dict get $stats top]]_reg"
}

# The first (or last) pin bit of a port.
proc ::qs::fit::pin_of {placed port {which 0}} {
    set bits {}
    foreach row $placed {
        set name [lindex $row 0]
        if {[string equal -nocase $name $port] || [string match -nocase "$port\\\[*" $name]} { lappend bits $name }
    }
    if {[llength $bits] == 0} { return $port }
    return [lindex $bits $which]
}

# Table rows: "used / total" with its percentage in a column of its own (the resource table)
# or in brackets (the summary), and a plain count.
proc ::qs::fit::used {name used total} {
    return [list $name [::qs::usage $used $total] [::qs::percent $used $total]]
}

proc ::qs::fit::used_of {name used total} {
    return [list $name "[::qs::usage $used $total] ( [::qs::percent $used $total] )"]
}

proc ::qs::fit::count {name value} {
    return [list $name $value ""]
}

proc ::qs::fit::on_off {project name} {
    return [expr {[::qs::is_on [::qs::assigned $project $name Off]] ? "On" : "Off"}]
}

proc ::qs::fit::write_report {project device result} {
    set r [dict get $result resources]
    set stats [dict get $result stats]
    set pins [dict get $result pins]
    set npins [llength $pins]
    set io [dict get $device io]
    set alms [dict get $r alms]
    set total_alms [dict get $device alms]
    set labs [expr {$total_alms / 10}]
    set registers [dict get $stats registers]
    set luts [dict get $stats luts]
    set dsp [dict get $stats dsp]
    set memory [dict get $stats memory_bits]
    set device_bits [dict get $device memory_bits]
    set m20k [dict get $r m20k]
    set m20k_bits [expr {$m20k * 20480}]
    set clocks [dict get $r clocks]
    set clock_pins 0
    foreach row $pins {
        if {[lindex $row 0] in [dict get $stats clocks]} { incr clock_pins }
    }
    set summary [list \
        [list "Fitter Status" "Successful - [::qs::timestamp]"] \
        [list "$::qs::product Version" [::qs::version_text]] \
        [list "Revision Name" [dict get $project revision]] \
        [list "Top-level Entity Name" [dict get $result top]] \
        [list Family "Stratix V"] \
        [list Device [dict get $device name]] \
        [list "Timing Models" Final] \
        [used_of "Logic utilization (in ALMs)" $alms $total_alms] \
        [list "Total registers" $registers] \
        [used_of "Total pins" $npins $io] \
        [list "Total virtual pins" 0] \
        [used_of "Total block memory bits" $memory $device_bits] \
        [used_of "Total RAM Blocks" $m20k [dict get $device m20k]] \
        [used_of "Total DSP Blocks" $dsp [dict get $device dsp]] \
        [used_of "Total PLLs" 0 [dict get $device plls]] \
        [used_of "Total DLLs" 0 4]]
    set pullup "As input tri-stated with weak pull-up"
    set settings [list \
        [list Device [dict get $device name] ""] \
        [list "Minimum Core Junction Temperature" 0 ""] \
        [list "Maximum Core Junction Temperature" 85 ""] \
        [list "Fitter Effort" [::qs::assigned $project FITTER_EFFORT "Auto Fit"] "Auto Fit"] \
        [list "Fitter Initial Placement Seed" [::qs::assigned $project SEED 1] 1] \
        [list "Placement Effort Multiplier" [::qs::assigned $project PLACEMENT_EFFORT_MULTIPLIER 1.0] 1.0] \
        [list "Optimize Hold Timing" "All Paths" "All Paths"] \
        [list "Reserve all unused pins" [::qs::assigned $project RESERVE_ALL_UNUSED_PINS_WEAK_PULLUP $pullup] $pullup]]
    set blank [list "" "" ""]
    set register_slots [expr {4 * $total_alms}]
    set usage [list \
        [used "Logic utilization (ALMs needed / total ALMs on device)" $alms $total_alms] \
        [count "ALMs needed \[=A-B+C\]" $alms] \
        [used "    \[A\] ALMs used in final placement \[=a+b+c+d\]" [dict get $r placed] $total_alms] \
        [count "        \[a\] ALMs used for LUT logic and registers" [dict get $r both]] \
        [count "        \[b\] ALMs used for LUT logic" [dict get $r lut_only]] \
        [count "        \[c\] ALMs used for registers" [dict get $r reg_only]] \
        [count "        \[d\] ALMs used for memory (up to half of total ALMs)" 0] \
        [used "    \[B\] Estimate of ALMs recoverable by dense packing" [dict get $r recoverable] $total_alms] \
        [used "    \[C\] Estimate of ALMs unavailable \[=a+b+c+d\]" 0 $total_alms] \
        $blank \
        [count "Difficulty packing design" Low] \
        $blank \
        [used "Total LABs:  partially or completely used" [dict get $r labs] $labs] \
        [count "    -- Logic LABs" [dict get $r labs]] \
        [count "    -- Memory LABs (up to half of total LABs)" 0] \
        $blank \
        [count "Combinational ALUT usage for logic" $luts] \
        [count "    -- 7 input functions" 0] \
        [count "    -- 6 input functions" [expr {$luts / 8}]] \
        [count "    -- 5 input functions" [expr {$luts / 8}]] \
        [count "    -- 4 input functions" [expr {$luts / 4}]] \
        [count "    -- <=3 input functions" [expr {$luts - $luts / 8 * 2 - $luts / 4}]] \
        [count "Combinational ALUT usage for route-throughs" 0] \
        [count "Dedicated logic registers" $registers] \
        [count "    -- By type:" ""] \
        [used "        -- Primary logic registers" $registers $register_slots] \
        [used "        -- Secondary logic registers" 0 $register_slots] \
        [count "    -- By function:" ""] \
        [count "        -- Design implementation registers" $registers] \
        [count "        -- Routing optimization registers" 0] \
        $blank \
        [count "Virtual pins" 0] \
        [used "I/O pins" $npins $io] \
        [used "    -- Clock pins" $clock_pins 32] \
        [used "    -- Dedicated input pins" 0 61] \
        $blank \
        [count "Global signals" $clocks] \
        [used "M20K blocks" $m20k [dict get $device m20k]] \
        [count "Total MLAB memory bits" 0] \
        [used "Total block memory bits" $memory $device_bits] \
        [used "Total block memory implementation bits" $m20k_bits $device_bits] \
        $blank \
        [used "Total DSP Blocks" $dsp [dict get $device dsp]] \
        $blank \
        [used "Fractional PLLs" 0 [dict get $device plls]] \
        [used "Global clocks" $clocks 16] \
        [used "Quadrant clocks" 0 92] \
        [used "JTAGs" 0 1] \
        [used "ASMI blocks" 0 1] \
        [used "CRC blocks" 0 1] \
        [used "Remote update blocks" 0 1] \
        [used "Oscillator blocks" 0 1] \
        [used "Impedance control blocks" 0 4] \
        [count "Average interconnect usage (total/H/V)" [join [lrepeat 3 "[dict get $r avg_h]%"] " / "]] \
        [count "Peak interconnect usage (total/H/V)" [join [lrepeat 3 "[dict get $r peak_h]%"] " / "]] \
        $blank \
        [count "Maximum fan-out" [expr {max($registers, 1)}]] \
        [count "Highest non-global fan-out" [expr {max($registers / 2, 1)}]] \
        [count "Total fan-out" [dict get $r fanout]] \
        [count "Average fan-out" [format %.2f [expr {double([dict get $r fanout]) / [dict get $r nodes]}]]]]
    set inputs {}
    set outputs {}
    foreach row $pins {
        lassign $row name dir ball bank std assigned
        set line [list $name [string range $ball 4 end] $bank $std [expr {$assigned ? "User" : "Fitter"}]]
        if {$dir eq "in"} { lappend inputs $line } else { lappend outputs $line }
    }
    set pin_header {Name {Pin #} {I/O Bank} {I/O Standard} {Location assigned by}}
    set options [list \
        [list "Configuration scheme" [::qs::assigned $project STRATIXV_CONFIGURATION_SCHEME "Passive Serial"]] \
        [list "JTAG user code for target device" [user_code_text $project]] \
        [list "Use checksum as JTAG user code" [on_off $project USE_CHECKSUM_AS_USERCODE]] \
        [list "On-chip bitstream decompression" [on_off $project ON_CHIP_BITSTREAM_DECOMPRESSION]] \
        [list "Reserve all unused pins" $pullup]]
    set panels [list \
        "Legal Notice" [::qs::legal_notice] \
        "Fitter Summary" [::qs::table "Fitter Summary" {} $summary] \
        "Fitter Settings" [::qs::table "Fitter Settings" {Option Setting {Default Value}} $settings] \
        "Fitter Resource Usage Summary" [::qs::table "Fitter Resource Usage Summary" {Resource Usage %} $usage] \
        "Input Pins" [::qs::table "Input Pins" $pin_header $inputs] \
        "Output Pins" [::qs::table "Output Pins" $pin_header $outputs] \
        "Fitter Device Options" [::qs::table "Fitter Device Options" {Option Setting} $options]]
    ::qs::inform "Writing report [dict get $project out].fit.rpt" 21005
    lappend panels "Fitter Messages" [::qs::messages_panel "Fitter Messages"]
    ::qs::write_report fit [::qs::out_path $project .fit.rpt] [::qs::report Fitter $project $panels]
}

proc ::qs::fit::user_code_text {project} {
    set code [::qs::assigned $project STRATIX_JTAG_USER_CODE FFFFFFFF]
    return [format 0x%08X [::qs::asm::parse_user_code $code]]
}
