# quartus_map, Analysis & Synthesis: reads the project's design files, checks them, elaborates
# the top-level entity and hands the netlist's figures to the fitter.

namespace eval ::qs::map {
    variable help {quartus_map: Analysis & Synthesis

Usage: quartus_map PROJECT [--rev=REVISION] [--set=NAME=VALUE]...

Reads the design files that the revision's assignments name (VHDL_FILE, VERILOG_FILE,
SYSTEMVERILOG_FILE, EDIF_FILE), elaborates TOP_LEVEL_ENTITY (default: the revision's name),
writes PROJECT.map.rpt and the netlist for quartus_fit under db/.

Options:
  --rev=REVISION        the revision to process (default: the project's first)
  -c REVISION           the same
  --set=NAME=VALUE      a global assignment for this run only
  --help, --version

Exit status: 0 on success, 2 for a command-line error, 3 when the design has errors.
MORVEL_REPLAY_QUARTUS_MAP=FILE writes FILE as the report instead of the tool's own.}

    # Assignment name -> reader and report file type.
    variable source_kinds {
        VHDL_FILE {vhdl "VHDL File"}
        VERILOG_FILE {verilog "Verilog HDL File"}
        SYSTEMVERILOG_FILE {verilog "SystemVerilog HDL File"}
        EDIF_FILE {edif "EDIF File"}
    }
}

proc ::qs::map::main {argv} {
    variable help
    return [::qs::project_tool quartus_map "Analysis & Synthesis" map $argv {} $help ::qs::map::run]
}

# The family name as assignments give it ("Stratix V", "STRATIXV", "stratix v").
proc ::qs::map::check_family {family} {
    if {$family eq ""} {
        ::qs::fail "No device family is set: the assignments need FAMILY (for example set_global_assignment -name FAMILY \"Stratix V\")" 20003
    }
    if {[string toupper [string map {" " "" _ "" - ""} $family]] ne "STRATIXV"} {
        ::qs::fail "Device family \"$family\" is not installed: this installation supports Stratix V only" 20004
    }
}

proc ::qs::map::check_device {name} {
    if {$name eq "" || [string equal -nocase $name AUTO]} {
        set name 5SGXEA7N2F45C2
        ::qs::inform "No device is set: Auto Device Selection chose $name" 119006
    }
    set device [::qs::dev::parse $name]
    if {[dict size $device] == 0} {
        ::qs::fail "Device \"$name\" is not a valid Stratix V device name" 119013
    }
    return $device
}

proc ::qs::map::run {} {
    variable source_kinds
    set a $::qs::args
    set project [::qs::open_project [dict get $a project] [dict get $a rev] [dict get $a set]]
    ::qs::remove_file [::qs::out_path $project .map.rpt]
    ::qs::remove_file [::qs::db_path $project map]
    set family [::qs::assigned $project FAMILY]
    check_family $family
    set device [check_device [::qs::assigned $project DEVICE]]
    if {[::qs::assigned $project NUM_PARALLEL_PROCESSORS] eq ""} {
        ::qs::warning "Number of processors has not been specified: set NUM_PARALLEL_PROCESSORS so that the tools leave room for others on a shared machine" 18236
    }
    set top [::qs::assigned $project TOP_LEVEL_ENTITY [dict get $project revision]]

    # Design files, in the order the assignments name them.
    set sources {}
    foreach asg [dict get $project assignments] {
        if {[dict get $asg kind] ne "global"} continue
        set name [string toupper [dict get $asg name]]
        if {[dict exists $source_kinds $name]} { lappend sources [list $name [dict get $asg value]] }
    }
    ::qs::hdl::reset
    set read {}
    foreach source $sources {
        lassign $source name given
        lassign [dict get $source_kinds $name] reader type
        set path [::qs::resolve [file join [dict get $project dir] $given]]
        if {![file isfile $path]} {
            ::qs::error_msg "Can't find design file \"$given\" named by $name: [file normalize $path] does not exist" 12002
            continue
        }
        set code [catch {::qs::hdl::read_file $path $reader} units options]
        if {$code == 1} {
            set ec [dict get $options -errorcode]
            if {[lindex $ec 0] ne "HDL"} { return -options $options $units }
            ::qs::error_msg $units [lindex $ec 2]
            continue
        }
        set entities [lsearch -all -inline -index 0 $units entity]
        ::qs::inform "Found [llength $units] design units, including [llength $entities] entities, in source file $given" 12021
        set i 0
        foreach unit $units {
            ::qs::inform "Found design unit [incr i]: [lindex $unit 1]" 12022 1
        }
        set i 0
        foreach unit $entities {
            ::qs::inform "Found entity [incr i]: [lindex $unit 1]" 12023 1
        }
        lappend read [list $given $type [file normalize $path]]
    }
    ::qs::check_errors
    if {[llength $sources] == 0} {
        ::qs::inform "The revision names no design files: add VHDL_FILE, VERILOG_FILE, SYSTEMVERILOG_FILE or EDIF_FILE assignments" 12001
    }
    if {![::qs::hdl::has_entity $top]} {
        ::qs::fail "Top-level design entity \"$top\" is undefined" 12007
    }
    set code [catch {::qs::hdl::elaborate $top} stats options]
    if {$code == 1} {
        set ec [dict get $options -errorcode]
        if {[lindex $ec 0] ne "HDL"} { return -options $options $stats }
        ::qs::fail $stats [lindex $ec 2]
    }
    set rows [dict get $stats hierarchy]
    ::qs::inform "Elaborating entity \"[dict get $stats top]\" for the top level hierarchy" 12127
    foreach row [lrange $rows 1 end] {
        set node [string range [lindex $row 0] [string length "|[dict get $stats top]|"] end]
        ::qs::inform "Elaborating entity \"[lindex $row 1]\" for hierarchy \"$node\"" 12128
    }

    # Pins: every bit of every top-level port, once the device is known to have that many.
    set width 0
    foreach port [dict get $stats ports] { incr width [dict get $port width] }
    if {$width > [dict get $device io]} {
        ::qs::fail "The top-level entity \"[dict get $stats top]\" has $width pins, more than the [dict get $device io] I/O pins of device [dict get $device name]" 12241
    }
    set pins {}
    set counts {in 0 out 0 inout 0}
    foreach port [dict get $stats ports] {
        set dir [dict get $port dir]
        if {$dir in {buffer ?}} { set dir [expr {$dir eq "buffer" ? "out" : "inout"}] }
        if {$dir eq "linkage"} { set dir inout }
        foreach bit [::qs::hdl::port_bits $port] {
            lappend pins [list $bit $dir [dict get $port lower]]
            dict incr counts $dir
        }
    }
    if {[llength $pins] == 0} {
        ::qs::warning "Design contains no pins: the top-level entity \"[dict get $stats top]\" has no ports" 12241
    }
    report_unused $stats $pins
    set registers [dict get $stats registers]
    set luts [dict get $stats luts]
    set alms [alms_needed $luts $registers]
    set resources [expr {[llength $pins] + $luts + $registers / 4 + [dict get $stats dsp]}]
    ::qs::inform "Implemented $resources device resources after synthesis - the final resource count might be different" 21057
    ::qs::inform "Implemented [dict get $counts in] input pins" 21058 1
    ::qs::inform "Implemented [dict get $counts out] output pins" 21059 1
    if {[dict get $counts inout] > 0} { ::qs::inform "Implemented [dict get $counts inout] bidirectional pins" 21060 1 }
    ::qs::inform "Implemented $luts logic cells" 21061 1
    if {[dict get $stats memory_bits] > 0} {
        ::qs::inform "Implemented [expr {([dict get $stats memory_bits] + 20479) / 20480}] RAM segments" 21064 1
    }
    if {[dict get $stats dsp] > 0} { ::qs::inform "Implemented [dict get $stats dsp] DSP elements" 21062 1 }

    set netlist [dict create family "Stratix V" device [dict get $device name] \
        revision [dict get $project revision] stats $stats pins $pins alms $alms \
        sources $read fingerprint [::qs::crc [list $stats $pins [dict get $device name]]]]
    ::qs::db_write $project map $netlist
    write_report $project $device $netlist
}

# Stratix V adaptive logic modules hold two LUTs and four registers; designs pack them about
# this densely.
proc ::qs::map::alms_needed {luts registers} {
    if {$luts + $registers == 0} { return 0 }
    return [expr {max(1, int(ceil($luts * 0.5 + $registers * 0.125)))}]
}

proc ::qs::map::report_unused {stats pins} {
    set unused {}
    foreach pin $pins {
        if {[lindex $pin 2] in [dict get $stats unused_inputs]} { lappend unused [lindex $pin 0] }
    }
    if {[llength $unused] > 0} {
        ::qs::warning "Design contains [llength $unused] input pin(s) that do not drive logic" 21074
        foreach pin $unused { ::qs::warning "No output dependent on input pin \"$pin\"" 15610 1 }
    }
    set stuck {}
    foreach pin $pins {
        if {[lindex $pin 2] in [dict get $stats stuck_outputs]} { lappend stuck [lindex $pin 0] }
    }
    if {[llength $stuck] > 0} {
        ::qs::warning "Output pins are stuck at VCC or GND" 13024
        foreach pin $stuck { ::qs::warning "Pin \"$pin\" is stuck at GND" 13410 1 }
    }
}

proc ::qs::map::write_report {project device netlist} {
    set stats [dict get $netlist stats]
    set pins [llength [dict get $netlist pins]]
    set registers [dict get $stats registers]
    set luts [dict get $stats luts]
    set setting [list \
        [list Device [dict get $device name] ""] \
        [list "Top-level entity name" [dict get $stats top] [dict get $project revision]] \
        [list "Family name" "Stratix V" "Stratix V"] \
        [list "Optimization Technique" [::qs::assigned $project OPTIMIZATION_TECHNIQUE Balanced] Balanced] \
        [list "State Machine Processing" [::qs::assigned $project STATE_MACHINE_PROCESSING Auto] Auto] \
        [list "Power-Up Don't Care" [::qs::assigned $project ALLOW_POWER_UP_DONT_CARE On] On] \
        [list "Remove Duplicate Registers" [::qs::assigned $project REMOVE_DUPLICATE_REGISTERS On] On] \
        [list "VHDL Version" [::qs::assigned $project VHDL_INPUT_VERSION VHDL_1993] VHDL_1993] \
        [list "Verilog Version" [::qs::assigned $project VERILOG_INPUT_VERSION Verilog_2001] Verilog_2001]]
    set files {}
    foreach r [dict get $netlist sources] {
        lassign $r given type absolute
        lappend files [list $given yes $type $absolute ""]
    }
    set fanout [expr {$registers + $luts + $pins}]
    set usage [list \
        [list "Estimate of Logic utilization (ALMs needed)" [dict get $netlist alms]] \
        [list "" ""] \
        [list "Combinational ALUT usage for logic" $luts] \
        [list "    -- 7 input functions" 0] \
        [list "    -- 6 input functions" [expr {$luts / 8}]] \
        [list "    -- 5 input functions" [expr {$luts / 8}]] \
        [list "    -- 4 input functions" [expr {$luts / 4}]] \
        [list "    -- <=3 input functions" [expr {$luts - $luts / 8 * 2 - $luts / 4}]] \
        [list "" ""] \
        [list "Dedicated logic registers" $registers] \
        [list "" ""] \
        [list "I/O pins" $pins] \
        [list "Total MLAB memory bits" 0] \
        [list "Total block memory bits" [::qs::grouped [dict get $stats memory_bits]]] \
        [list "" ""] \
        [list "Total DSP Blocks" [dict get $stats dsp]] \
        [list "" ""] \
        [list "Maximum fan-out" [expr {$registers > 0 ? $registers : $pins}]] \
        [list "Total fan-out" $fanout] \
        [list "Average fan-out" [format %.2f [expr {$fanout / double(max(1, $registers + $luts + $pins) / 2.0 + 1)}]]]]
    set entities {}
    foreach row [dict get $stats hierarchy] {
        lassign $row path entity regs cells bits dsp
        set depth [expr {[llength [split $path |]] - 2}]
        set node [lindex [split $path |] end]
        lappend entities [list "[string repeat {   } $depth]$node" $cells $regs $bits $dsp \
            [expr {$depth == 0 ? $pins : 0}] 0 $path work]
    }
    set summary [list \
        [list "Analysis & Synthesis Status" "Successful - [::qs::timestamp]"] \
        [list "$::qs::product Version" [::qs::version_text]] \
        [list "Revision Name" [dict get $project revision]] \
        [list "Top-level Entity Name" [dict get $stats top]] \
        [list Family "Stratix V"] \
        [list "Logic utilization (in ALMs)" N/A] \
        [list "Total registers" $registers] \
        [list "Total pins" $pins] \
        [list "Total virtual pins" 0] \
        [list "Total block memory bits" [::qs::grouped [dict get $stats memory_bits]]] \
        [list "Total DSP Blocks" [dict get $stats dsp]] \
        [list "Total PLLs" 0] \
        [list "Total DLLs" 0]]
    set panels [list \
        "Legal Notice" [::qs::legal_notice] \
        "Analysis & Synthesis Summary" [::qs::table "Analysis & Synthesis Summary" {} $summary] \
        "Analysis & Synthesis Settings" [::qs::table "Analysis & Synthesis Settings" {Option Setting {Default Value}} $setting] \
        "Analysis & Synthesis Source Files Read" [::qs::table "Analysis & Synthesis Source Files Read" \
            {{File Name with User-Entered Path} {Used in Netlist} {File Type} {File Name with Absolute Path} Library} $files] \
        "Analysis & Synthesis Resource Usage Summary" [::qs::table "Analysis & Synthesis Resource Usage Summary" {Resource Usage} $usage] \
        "Analysis & Synthesis Resource Utilization by Entity" [::qs::table "Analysis & Synthesis Resource Utilization by Entity" \
            {{Compilation Hierarchy Node} {Combinational ALUTs} {Dedicated Logic Registers} {Block Memory Bits} {DSP Blocks} Pins {Virtual Pins} {Full Hierarchy Name} {Library Name}} $entities]]
    ::qs::inform "Writing report [dict get $project out].map.rpt" 21005
    lappend panels "Analysis & Synthesis Messages" [::qs::messages_panel "Analysis & Synthesis Messages"]
    ::qs::write_report map [::qs::out_path $project .map.rpt] [::qs::report "Analysis & Synthesis" $project $panels]
}
