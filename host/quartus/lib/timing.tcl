# quartus_sta (TimeQuest) and quartus_tan (the classic timing analyser): check the fitted
# design's path delays against its clock constraints. TimeQuest reads SDC constraint files;
# the classic analyser reads the CLOCK_SETTINGS and FMAX_REQUIREMENT assignments.

namespace eval ::qs::timing {
    variable sta_help {quartus_sta: TimeQuest Timing Analyzer

Usage: quartus_sta PROJECT [--sdc=FILE] [--rev=REVISION] [--set=NAME=VALUE]...

Reads the timing constraints (--sdc=FILE, else the revision's SDC_FILE assignments, else
REVISION.sdc), analyses the placed netlist of quartus_fit in three corners and writes
PROJECT.sta.rpt with the Fmax and Setup summaries of every constrained clock.

Options:
  --sdc=FILE            the SDC timing constraints file to read
  --rev=REVISION        the revision to process (default: the project's first)
  --set=NAME=VALUE      a global assignment for this run only
  --help, --version

Exit status: 0 on success, 2 for a command-line error, 3 for errors.
MORVEL_REPLAY_QUARTUS_STA=FILE writes FILE as the report instead of the tool's own.}

    variable tan_help {quartus_tan: Classic Timing Analyzer

Usage: quartus_tan PROJECT [--rev=REVISION] [--set=NAME=VALUE]...

Analyses the placed netlist of quartus_fit against the clock settings of the revision
(CLOCK_SETTINGS instance assignments and their FMAX_REQUIREMENT) and writes PROJECT.tan.rpt.

Options:
  --rev=REVISION        the revision to process (default: the project's first)
  --set=NAME=VALUE      a global assignment for this run only
  --help, --version

Exit status: 0 on success, 2 for a command-line error, 3 for errors.
MORVEL_REPLAY_QUARTUS_TAN=FILE writes FILE as the report instead of the tool's own.}

    # The fastest a Stratix V clock network toggles.
    variable min_period 1.394
}

proc ::qs::timing::sta_main {argv} {
    variable sta_help
    return [::qs::project_tool quartus_sta "TimeQuest Timing Analyzer" sta $argv {sdc} $sta_help ::qs::timing::sta]
}

proc ::qs::timing::tan_main {argv} {
    variable tan_help
    return [::qs::project_tool quartus_tan "Classic Timing Analyzer" tan $argv {} $tan_help ::qs::timing::tan]
}

proc ::qs::timing::mhz {period} {
    return [format "%.2f MHz" [expr {1000.0 / $period}]]
}

# "100 MHz", "100MHz", "10 ns", "10.0ns", "1 GHz": a period in ns, or empty.
proc ::qs::timing::period_of {text} {
    if {![regexp -nocase {^\s*([0-9]*\.?[0-9]+)\s*(ghz|mhz|khz|hz|ns|ps|us|ms)?\s*$} $text -> value unit]} {
        return ""
    }
    if {$value <= 0} { return "" }
    switch -- [string tolower $unit] {
        ghz { return [expr {1.0 / $value}] }
        "" - mhz { return [expr {1000.0 / $value}] }
        khz { return [expr {1e6 / $value}] }
        hz { return [expr {1e9 / $value}] }
        ps { return [expr {$value / 1000.0}] }
        ns { return [expr {double($value)}] }
        us { return [expr {$value * 1000.0}] }
        ms { return [expr {$value * 1e6}] }
    }
}

# ---- SDC --------------------------------------------------------------------------------------

# Reads an SDC file in a safe interpreter that knows the constraint commands; answers the clocks
# as a list of {name period targets}.
proc ::qs::timing::read_sdc {path pins stats} {
    variable sdc_clocks {}
    variable sdc_file [file tail $path]
    variable sdc_pins $pins
    variable sdc_stats $stats
    set text [::qs::read_file $path]
    set slave [interp create -safe]
    foreach command {create_clock create_generated_clock get_ports get_pins get_nets get_cells
            get_registers get_keepers get_clocks all_inputs all_outputs all_clocks all_registers
            derive_pll_clocks derive_clock_uncertainty set_clock_uncertainty set_input_delay
            set_output_delay set_false_path set_multicycle_path set_max_delay set_min_delay
            set_clock_groups set_clock_latency remove_clock set_time_format post_message} {
        interp alias $slave $command {} ::qs::timing::sdc_$command
    }
    $slave eval [::qs::bus_index_handler]
    interp limit $slave commands -value [expr {[$slave eval {info cmdcount}] + 2000000}]
    interp limit $slave time -seconds [expr {[clock seconds] + 30}]
    set code [catch {$slave eval $text} message options]
    interp delete $slave
    if {$code == 1} {
        set line [expr {[dict exists $options -errorline] ? "([dict get $options -errorline])" : ""}]
        ::qs::fail "Error in SDC file [file tail $path]$line: $message" 332000
    }
    return $sdc_clocks
}

# A collection is a tagged list, so that commands know what they were given.
proc ::qs::timing::collection {kind items} { return [list ::qs_collection $kind $items] }

proc ::qs::timing::items_of {value} {
    if {[lindex $value 0] eq "::qs_collection"} { return [lindex $value 2] }
    return $value
}

proc ::qs::timing::sdc_option_args {args} {
    set names {}
    set options {}
    for {set i 0} {$i < [llength $args]} {incr i} {
        set a [lindex $args $i]
        if {[string match -* $a] && ![string is double -strict $a]} {
            if {$a in {-add -invert -no_duplicates -nowarn -nocase -combinational -setup -hold -rise -fall -start -end -clock_fall -add_delay -max -min -asynchronous -exclusive -logically_exclusive -physically_exclusive -source -compatibility_mode}} {
                dict set options $a 1
                # -source takes a value.
                if {$a eq "-source"} { dict set options $a [lindex $args [incr i]] }
            } else {
                dict set options $a [lindex $args [incr i]]
            }
        } else {
            lappend names $a
        }
    }
    return [list $options $names]
}

proc ::qs::timing::match_names {patterns candidates} {
    set found {}
    foreach pattern $patterns {
        set any 0
        foreach c $candidates {
            if {[::qs::fit::name_match $pattern $c] || [::qs::fit::name_match $pattern [regsub {\[.*$} $c ""]]} {
                lappend found $c
                set any 1
            }
        }
        if {!$any} {
            ::qs::warning "Ignored filter at $::qs::timing::sdc_file: $pattern could not be matched with a port or node" 332174
        }
    }
    return [lsort -unique $found]
}

proc ::qs::timing::sdc_get_ports {args} {
    variable sdc_pins
    lassign [sdc_option_args {*}$args] options names
    set names [concat {*}[lmap n $names {items_of $n}]]
    set ports [lsort -unique [lmap p $sdc_pins {lindex $p 0}]]
    return [collection ports [match_names $names $ports]]
}

proc ::qs::timing::sdc_nodes {args} {
    lassign [sdc_option_args {*}$args] options names
    return [collection nodes [concat {*}[lmap n $names {items_of $n}]]]
}
foreach command {get_pins get_nets get_cells get_registers get_keepers} {
    interp alias {} ::qs::timing::sdc_$command {} ::qs::timing::sdc_nodes
}

proc ::qs::timing::sdc_get_clocks {args} {
    variable sdc_clocks
    lassign [sdc_option_args {*}$args] options names
    set all [lmap c $sdc_clocks {lindex $c 0}]
    return [collection clocks [match_names [concat {*}[lmap n $names {items_of $n}]] $all]]
}

proc ::qs::timing::sdc_all_inputs {args} {
    variable sdc_pins
    return [collection ports [lmap p [lsearch -all -inline -index 1 $sdc_pins in] {lindex $p 0}]]
}

proc ::qs::timing::sdc_all_outputs {args} {
    variable sdc_pins
    return [collection ports [lmap p [lsearch -all -inline -index 1 $sdc_pins out] {lindex $p 0}]]
}

proc ::qs::timing::sdc_all_clocks {args} {
    variable sdc_clocks
    return [collection clocks [lmap c $sdc_clocks {lindex $c 0}]]
}

proc ::qs::timing::sdc_all_registers {args} { return [collection nodes {}] }

proc ::qs::timing::sdc_create_clock {args} {
    variable sdc_clocks
    lassign [sdc_option_args {*}$args] options targets
    if {![dict exists $options -period]} { error "create_clock: -period is required" }
    set period [dict get $options -period]
    if {![string is double -strict $period] || $period <= 0} {
        error "create_clock: the period \"$period\" is not a positive number of nanoseconds"
    }
    set ports [concat {*}[lmap t $targets {items_of $t}]]
    if {[llength $targets] > 0 && [llength $ports] == 0} {
        ::qs::critical "Ignored create_clock at $::qs::timing::sdc_file: Argument <targets> is an empty collection" 332049
        return
    }
    set name [expr {[dict exists $options -name] ? [dict get $options -name] : [lindex $ports 0]}]
    if {$name eq ""} { error "create_clock: a virtual clock needs -name" }
    set sdc_clocks [lsearch -all -inline -not -index 0 $sdc_clocks $name]
    lappend sdc_clocks [list $name [expr {double($period)}] [lmap p $ports {regsub {\[.*$} $p ""}]]
    return
}

proc ::qs::timing::sdc_create_generated_clock {args} {
    variable sdc_clocks
    lassign [sdc_option_args {*}$args] options targets
    if {![dict exists $options -name]} { error "create_generated_clock: -name is required" }
    set source [lindex [items_of [dict get $options -source]] 0]
    set base ""
    foreach c $sdc_clocks {
        if {$source in [lindex $c 2] || [lindex $c 0] eq $source} { set base $c }
    }
    if {$base eq ""} {
        ::qs::warning "Ignored create_generated_clock at $::qs::timing::sdc_file: no clock reaches source $source" 332086
        return
    }
    set period [lindex $base 1]
    if {[dict exists $options -divide_by]} { set period [expr {$period * [dict get $options -divide_by]}] }
    if {[dict exists $options -multiply_by]} { set period [expr {$period / [dict get $options -multiply_by]}] }
    lappend sdc_clocks [list [dict get $options -name] $period [concat {*}[lmap t $targets {items_of $t}]]]
    return
}

proc ::qs::timing::sdc_derive_pll_clocks {args} {
    ::qs::inform "Deriving PLL clocks" 332110 1
    return
}

proc ::qs::timing::sdc_derive_clock_uncertainty {args} {
    ::qs::inform "Deriving Clock Uncertainty" 332123
    return
}

proc ::qs::timing::sdc_post_message {args} {
    return [::qs::sh::post_message {*}$args]
}

foreach command {set_clock_uncertainty set_input_delay set_output_delay set_false_path
        set_multicycle_path set_max_delay set_min_delay set_clock_groups set_clock_latency
        remove_clock set_time_format} {
    proc ::qs::timing::sdc_$command {args} { return }
}

# ---- Shared analysis --------------------------------------------------------------------------

# Each constrained clock of the design: {name period setup hold registers node}. Clocks that
# reach no register of the design have no paths and are left out, as the analysers do.
proc ::qs::timing::analyse {fitted clocks} {
    set domains [dict get $fitted timing domains]
    set result {}
    foreach c $clocks {
        lassign $c name period targets
        foreach node $targets {
            set key [string tolower $node]
            if {![dict exists $domains $key]} continue
            set d [dict get $domains $key]
            lappend result [list $name $period [dict get $d setup] [dict get $d hold] [dict get $d registers] $node]
            break
        }
    }
    return $result
}

proc ::qs::timing::fitted {} {
    set a $::qs::args
    set project [::qs::open_project [dict get $a project] [dict get $a rev] [dict get $a set]]
    set fitted [::qs::db_read $project fit "the Fitter (quartus_fit)"]
    return [list $project $fitted]
}

# ---- TimeQuest --------------------------------------------------------------------------------

proc ::qs::timing::sta {} {
    lassign [fitted] project fitted
    ::qs::remove_file [::qs::out_path $project .sta.rpt]
    set device [::qs::dev::parse [dict get $fitted device]]
    set a $::qs::args
    ::qs::inform "Low junction temperature is 0 degrees C" 21077
    ::qs::inform "High junction temperature is 85 degrees C" 21077
    # The constraints: --sdc, else SDC_FILE assignments, else REVISION.sdc.
    set files {}
    if {[dict exists $a options sdc]} {
        lappend files [dict get $a options sdc]
    } else {
        set files [::qs::assigned_all $project SDC_FILE]
        if {[llength $files] == 0} { lappend files "[dict get $project revision].sdc" }
    }
    set clocks {}
    set read {}
    foreach f $files {
        set path [::qs::resolve [file join [dict get $project dir] $f]]
        if {![file isfile $path]} {
            ::qs::critical "Timing constraints file not found: '$f'. Without constraints the analysis can only use default clocks" 332012
            continue
        }
        ::qs::inform "Reading SDC File: '$f'" 332104
        set clocks [concat $clocks [read_sdc $path [dict get $fitted pins] [dict get $fitted stats]]]
        lappend read [list $f OK [::qs::timestamp]]
    }
    set stats [dict get $fitted stats]
    set design_clocks [concat [dict get $stats clocks] [dict get $stats internal_clocks]]
    if {[llength $clocks] == 0 && [llength $design_clocks] > 0} {
        ::qs::critical "No user constrained base clocks found in the design. Calling \"derive_clocks -period 1.0\"" 332144
        foreach c $design_clocks {
            ::qs::inform "Deriving Clocks" 332105
            ::qs::inform "create_clock -period 1.000 -name $c $c" 332105 1
            lappend clocks [list $c 1.0 [list $c]]
        }
    } else {
        set constrained {}
        foreach c $clocks { set constrained [concat $constrained [lmap t [lindex $c 2] {string tolower $t}]] }
        foreach c $design_clocks {
            if {[string tolower $c] ni $constrained} {
                ::qs::warning "Node: $c was determined to be a clock but was found without an associated clock assignment." 332060
            }
        }
    }
    set results [analyse $fitted $clocks]
    set corners [corners $device]
    set worst ""
    foreach r $results {
        lassign $r name period setup
        set slack [expr {$period - $setup}]
        if {$worst eq "" || $slack < $worst} { set worst $slack }
    }
    if {$worst ne ""} {
        ::qs::inform "Worst-case setup slack is [::qs::ns $worst]" 332146
        foreach r $results {
            lassign $r name period setup
            ::qs::inform "[format %8s [::qs::ns [expr {$period - $setup}]]] [format %11s [::qs::ns [expr {min(0.0, $period - $setup) * [lindex $r 4]}]]] $name" 332119 1
        }
        if {$worst < 0} {
            ::qs::critical "Timing requirements not met" 332148
        } else {
            ::qs::inform "Design is fully constrained for setup requirements" 332101
        }
    } else {
        ::qs::inform "No clocks to analyse: the design has no constrained clock paths" 332140
    }
    write_sta_report $project $device $fitted $results $corners $read $clocks
}

# The three corners of a Stratix V timing analysis and how their delays compare.
proc ::qs::timing::corners {device} {
    set mv [::qs::dev::core_millivolts $device]
    return [list \
        [list "Slow ${mv}mV 85C Model" 1.0 1] \
        [list "Slow ${mv}mV 0C Model" 0.955 1] \
        [list "Fast ${mv}mV 0C Model" 0.61 0]]
}

proc ::qs::timing::write_sta_report {project device fitted results corners read clocks} {
    variable min_period
    set stats [dict get $fitted stats]
    set panels [list "Legal Notice" [::qs::legal_notice]]
    lappend panels "TimeQuest Timing Analyzer Summary" [::qs::table "TimeQuest Timing Analyzer Summary" {} [list \
        [list "$::qs::product Version" [::qs::version_line]] \
        [list "Revision Name" [dict get $project revision]] \
        [list "Device Family" "Stratix V"] \
        [list "Device Name" [dict get $device name]] \
        [list "Timing Models" Final] \
        [list "Delay Model" Combined] \
        [list "Rise/Fall Delays" Enabled]]]
    if {[llength $read] > 0} {
        lappend panels "SDC File List" [::qs::table "SDC File List" {{SDC File Path} Status {Read at}} $read]
    } else {
        lappend panels "SDC File List" [::qs::panel "SDC File List" "No files to report."]
    }
    if {[llength $clocks] > 0} {
        set rows {}
        foreach c $clocks {
            lassign $c name period targets
            lappend rows [list $name Base [::qs::ns $period] [format "%.1f MHz" [expr {1000.0 / $period}]] \
                0.000 [::qs::ns [expr {$period / 2}]] "" "" "" "" "" "" "" "" "" "" "{ [join $targets { }] }"]
        }
        lappend panels Clocks [::qs::table Clocks {{Clock Name} Type Period Frequency Rise Fall {Duty Cycle} \
            {Divide by} {Multiply by} Phase Offset {Edge List} {Edge Shift} Inverted Master Source Targets} $rows]
    } else {
        lappend panels Clocks [::qs::panel Clocks "No clocks to report."]
    }
    foreach corner $corners {
        lassign $corner model scale has_fmax
        if {$has_fmax} {
            set title "$model Fmax Summary"
            if {[llength $results] == 0} {
                lappend panels $title [::qs::panel $title "No paths to report."]
            } else {
                set rows {}
                foreach r $results {
                    lassign $r name period setup
                    set t [expr {$setup * $scale}]
                    set restricted [expr {max($t, $min_period)}]
                    set note [expr {$t < $min_period ? "limit due to minimum period restriction (max I/O toggle rate)" : ""}]
                    lappend rows [list [mhz $t] [mhz $restricted] $name $note]
                }
                set table [::qs::table $title {Fmax {Restricted Fmax} {Clock Name} Note} $rows]
                lappend panels $title "$table\nThe highest frequency at which the paths between the registers of each clock work, whatever the clock's constraint. Paths between different clocks are not counted."
            }
        }
        foreach {kind value} {Setup setup Hold hold} {
            set title "$model $kind Summary"
            if {[llength $results] == 0} {
                lappend panels $title [::qs::panel $title "No paths to report."]
                continue
            }
            set rows {}
            foreach r $results {
                lassign $r name period setup hold registers
                if {$kind eq "Setup"} {
                    set slack [expr {$period - $setup * $scale}]
                } else {
                    set slack [expr {$hold * $scale}]
                }
                lappend rows [list $name [::qs::ns $slack] [::qs::ns [expr {min(0.0, $slack) * $registers}]]]
            }
            lappend panels $title [::qs::table $title {Clock Slack {End Point TNS}} $rows]
        }
        foreach kind {Recovery Removal} {
            set title "$model $kind Summary"
            lappend panels $title [::qs::panel $title "No paths to report."]
        }
        set title "$model Minimum Pulse Width Summary"
        if {[llength $results] > 0} {
            set rows {}
            foreach r $results {
                lassign $r name period
                lappend rows [list $name [::qs::ns [expr {$period / 2 - 0.625 * $scale}]] 0.000]
            }
            lappend panels $title [::qs::table $title {Clock Slack {End Point TNS}} $rows]
        } else {
            lappend panels $title [::qs::panel $title "No paths to report."]
        }
    }
    set t [dict get $fitted timing]
    set rows {}
    foreach {key kind} {tsu {Setup Times} tco {Clock to Output Times} th {Hold Times} tpd {Propagation Delay}} {
        if {[dict exists $t $key]} {
            set d [dict get $t $key]
            lappend rows [list $kind [dict get $d from] [dict get $d to] [::qs::ns [dict get $d value]]]
        }
    }
    if {[llength $rows] > 0} {
        lappend panels "Multicorner Timing Analysis Summary" [::qs::table "Multicorner Timing Analysis Summary" {Type From To Worst} $rows]
    }
    set unconstrained [expr {[llength [dict get $stats reg_inputs]] + [llength [dict get $stats reg_outputs]] + [llength [dict get $stats comb_outputs]]}]
    lappend panels "Unconstrained Paths" [::qs::table "Unconstrained Paths" {Property Setup Hold} [list \
        [list "Illegal Clocks" 0 0] \
        [list "Unconstrained Clocks" [expr {max(0, [llength [dict get $stats clocks]] - [llength $results])}] [expr {max(0, [llength [dict get $stats clocks]] - [llength $results])}]] \
        [list "Unconstrained Input Ports" [llength [dict get $stats reg_inputs]] [llength [dict get $stats reg_inputs]]] \
        [list "Unconstrained Input Port Paths" $unconstrained $unconstrained] \
        [list "Unconstrained Output Ports" [llength [dict get $stats reg_outputs]] [llength [dict get $stats reg_outputs]]] \
        [list "Unconstrained Output Port Paths" $unconstrained $unconstrained]]]
    ::qs::inform "Writing report [dict get $project out].sta.rpt" 21005
    lappend panels "TimeQuest Timing Analyzer Messages" [::qs::messages_panel "TimeQuest Timing Analyzer Messages"]
    ::qs::write_report sta [::qs::out_path $project .sta.rpt] [::qs::report "TimeQuest Timing Analyzer" $project $panels]
}

# ---- Classic timing analyser ------------------------------------------------------------------

# Clock requirements of the revision: CLOCK_SETTINGS assignments to clock nodes with the
# FMAX_REQUIREMENT of their settings section, else the project-wide FMAX_REQUIREMENT.
proc ::qs::timing::clock_settings {project fitted} {
    set default [::qs::assigned $project FMAX_REQUIREMENT]
    set clocks {}
    set named {}
    foreach asg [::qs::instances $project CLOCK_SETTINGS] {
        set setting [dict get $asg value]
        set node [dict get $asg to]
        set requirement [::qs::assigned $project FMAX_REQUIREMENT "" $setting]
        if {$requirement eq ""} { set requirement $default }
        set period [period_of $requirement]
        if {$requirement ne "" && $period eq ""} {
            ::qs::warning "Ignored FMAX_REQUIREMENT \"$requirement\" of clock setting \"$setting\": it is not a frequency or a period" 306000
        }
        lappend clocks [list $node $period [list $node]]
        lappend named [string tolower $node]
    }
    set stats [dict get $fitted stats]
    set undefined {}
    foreach c [concat [dict get $stats clocks] [dict get $stats internal_clocks]] {
        if {[string tolower $c] in $named} continue
        lappend clocks [list $c [period_of $default] [list $c]]
        if {$default eq ""} { lappend undefined $c }
    }
    if {[llength $undefined] > 0} {
        ::qs::warning "Found pins functioning as undefined clocks and/or memory enables" 306001
        foreach c $undefined {
            ::qs::inform "Assuming node \"$c\" is an undefined clock" 306002 1
        }
    }
    return $clocks
}

proc ::qs::timing::tan {} {
    variable min_period
    lassign [fitted] project fitted
    ::qs::remove_file [::qs::out_path $project .tan.rpt]
    set device [::qs::dev::parse [dict get $fitted device]]
    ::qs::inform "Found timing assignments -- calculating delays" 306004
    set clocks [clock_settings $project $fitted]
    set results {}
    foreach c $clocks {
        lassign $c node period
        set r [analyse $fitted [list [list $node [expr {$period eq "" ? 1.0 : $period}] [list $node]]]]
        if {[llength $r] > 0} {
            set row [lindex $r 0]
            lset row 1 $period
            lappend results $row
        }
    }
    set t [dict get $fitted timing]
    set rows {}
    set failed 0
    foreach {key label} {tsu "Worst-case tsu" tco "Worst-case tco" tpd "Worst-case tpd" th "Worst-case th"} {
        if {![dict exists $t $key]} continue
        set d [dict get $t $key]
        set from_clock [expr {$key in {tco} ? [first_clock $results] : "--"}]
        set to_clock [expr {$key in {tsu th} ? [first_clock $results] : "--"}]
        lappend rows [list $label N/A None "[::qs::ns [dict get $d value]] ns" [dict get $d from] [dict get $d to] $from_clock $to_clock 0]
        ::qs::inform "[string range $label 11 end] for [expr {$key eq "tco" ? "register" : "pin"}] \"[dict get $d from]\" ([dict get $d to]) is [::qs::ns [dict get $d value]] ns" 306005
    }
    foreach r $results {
        lassign $r node period setup hold registers
        set actual [expr {max($setup, $min_period)}]
        set actual_text "[mhz $actual] ( period = [::qs::ns $actual] ns )"
        if {$setup < $min_period} { set actual_text "Restricted to $actual_text" }
        if {$period eq ""} {
            set slack N/A
            set required None
        } else {
            set s [expr {$period - $actual}]
            set slack "[::qs::ns $s] ns"
            set required "[mhz $period] ( period = [::qs::ns $period] ns )"
            if {$s < 0} { incr failed $registers }
        }
        lappend rows [list "Clock Setup: '$node'" $slack $required $actual_text [dict get $t from_reg] [dict get $t to_reg] $node $node [expr {$period ne "" && $period < $actual ? $registers : 0}]]
        ::qs::inform "Clock \"$node\" has Internal fmax of $actual_text between source register \"[dict get $t from_reg]\" and destination register \"[dict get $t to_reg]\"" 306006
    }
    foreach r $results {
        lassign $r node period setup hold
        set required [expr {$period eq "" ? "None" : "[mhz $period] ( period = [::qs::ns $period] ns )"}]
        lappend rows [list "Clock Hold: '$node'" "[::qs::ns $hold] ns" $required N/A [dict get $t from_reg] [dict get $t from_reg] $node $node 0]
    }
    lappend rows [list "Total number of failed paths" "" "" "" "" "" "" "" $failed]
    if {$failed > 0} {
        ::qs::critical "Timing requirements for slow timing model timing analysis were not met. See Report window for details." 306008
    }
    set settings [list \
        [list "Device Name" [dict get $device name] ""] \
        [list "Timing Models" Final ""] \
        [list "Default hold multicycle" "Same as Multicycle" ""] \
        [list "Cut paths between unrelated clock domains" On ""] \
        [list "Cut off read during write signal paths" On ""] \
        [list "Cut off feedback from I/O pins" On ""] \
        [list "Report Combined Fast/Slow Timing" Off ""] \
        [list "Ignore Clock Settings" Off ""] \
        [list "Analyze latches as synchronous elements" On ""] \
        [list "Enable Recovery/Removal analysis" Off ""] \
        [list "Enable Clock Latency" Off ""] \
        [list "Use TimeQuest Timing Analyzer" Off ""] \
        [list "Number of source nodes to report per destination node" 10 ""] \
        [list "Number of destination nodes to report" 10 ""] \
        [list "Number of paths to report" 200 ""] \
        [list "Report Minimum Timing Checks" Off ""] \
        [list "Use Fast Timing Models" Off ""] \
        [list "Report IO Paths Separately" Off ""] \
        [list "Perform Multicorner Analysis" On ""]]
    set clock_rows {}
    foreach c $clocks {
        lassign $c node period
        lappend clock_rows [list $node $node "User Pin" [expr {$period eq "" ? "None" : [mhz $period]}] \
            "0.000 ns" "0.000 ns" -- N/A N/A N/A N/A]
    }
    set panels [list \
        "Legal Notice" [::qs::legal_notice] \
        "Timing Analyzer Summary" [::qs::table "Timing Analyzer Summary" \
            {Type Slack {Required Time} {Actual Time} From To {From Clock} {To Clock} {Failed Paths}} $rows] \
        "Timing Analyzer Settings" [::qs::table "Timing Analyzer Settings" {Option Setting From To {Entity Name}} \
            [lmap s $settings {list [lindex $s 0] [lindex $s 1] "" "" ""}]]]
    if {[llength $clock_rows] > 0} {
        lappend panels "Clock Settings Summary" [::qs::table "Clock Settings Summary" \
            {{Clock Node Name} {Clock Setting Name} Type {Fmax Requirement} {Early Latency} {Late Latency} {Based on} {Multiply Base Fmax by} {Divide Base Fmax by} Offset {Phase offset}} \
            $clock_rows]
    }
    ::qs::inform "Writing report [dict get $project out].tan.rpt" 21005
    lappend panels "Timing Analyzer Messages" [::qs::messages_panel "Timing Analyzer Messages"]
    ::qs::write_report tan [::qs::out_path $project .tan.rpt] [::qs::report "Classic Timing Analyzer" $project $panels]
}

proc ::qs::timing::first_clock {results} {
    if {[llength $results] == 0} { return "--" }
    return [lindex $results 0 0]
}
