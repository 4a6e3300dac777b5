# Shared core of the Quartus tool stand-ins: messages, command lines, file names with the
# semantics of the tools' home platform, project files, the tools' database and the text layout
# of their reports.
#
# Every tool prints its messages on standard output with CR LF line ends, as the tools do on
# their home platform; the host's console runner completes a line only at a CR. A tool never
# reads standard input, and every loop over outside input advances, so no input makes it hang.

namespace eval ::qs {
    variable lib_dir [file dirname [file normalize [info script]]]
    variable default_version_line "Version 13.1.0 Build 162 10/23/2013 SJ Full Version"
    variable product "Quartus II 64-Bit"
    variable tool ""
    variable title ""
    variable exe ""
    variable messages {}
    variable errors 0
    variable warnings 0
    variable started 0
    variable cpu_started 0
}

# ---- Version ----------------------------------------------------------------------------------

# The first line of readme.txt one folder above bin/, as the host's version lookup reads it.
proc ::qs::version_line {} {
    variable lib_dir
    variable default_version_line
    set readme [file join [file dirname $lib_dir] readme.txt]
    if {![catch {open $readme r} f]} {
        fconfigure $f -encoding iso8859-1
        set first [gets $f]
        close $f
        set first [string trim $first]
        if {[string match "Version *" $first]} { return $first }
    }
    return $default_version_line
}

# "13.1.0 Build 162 10/23/2013 SJ Full Version"
proc ::qs::version_text {} {
    return [string range [version_line] 8 end]
}

# "13.1.0"
proc ::qs::version_number {} {
    return [lindex [split [version_text] " "] 0]
}

# "13.1", as project files carry it.
proc ::qs::version_short {} {
    return [join [lrange [split [version_number] .] 0 1] .]
}

# ---- Time -------------------------------------------------------------------------------------

# Reproducible builds set SOURCE_DATE_EPOCH; the tools then date everything with it.
proc ::qs::now {} {
    global env
    if {[info exists env(SOURCE_DATE_EPOCH)] && [string is wideinteger -strict $env(SOURCE_DATE_EPOCH)]} {
        return $env(SOURCE_DATE_EPOCH)
    }
    return [clock seconds]
}

proc ::qs::timestamp {{seconds ""}} {
    if {$seconds eq ""} { set seconds [now] }
    return [clock format $seconds -format "%a %b %d %H:%M:%S %Y"]
}

proc ::qs::hms {seconds} {
    set seconds [expr {int($seconds)}]
    return [format "%02d:%02d:%02d" [expr {$seconds / 3600}] [expr {$seconds / 60 % 60}] [expr {$seconds % 60}]]
}

# ---- Messages ---------------------------------------------------------------------------------

proc ::qs::label {type} {
    return [dict get {
        info Info extra_info {Extra Info} warning Warning critical_warning {Critical Warning}
        error Error
    } $type]
}

# One message line. Indented lines are details of the message above them and are not counted.
proc ::qs::msg {type text {id ""} {indent 0}} {
    variable errors
    variable warnings
    if {$indent == 0} {
        switch -- $type {
            error { incr errors }
            warning - critical_warning { incr warnings }
        }
    }
    emit $type $text $id $indent
}

proc ::qs::emit {type text {id ""} {indent 0}} {
    variable messages
    set head [label $type]
    if {$id ne ""} { append head " ($id)" }
    # A message never spans lines: the console runner would split it and classify the pieces.
    set text [string map {"\r\n" " " "\n" " " "\r" " "} $text]
    set line "[string repeat {    } $indent]$head: $text"
    puts stdout $line
    lappend messages $line
}

proc ::qs::inform {text {id ""} {indent 0}} { msg info $text $id $indent }
proc ::qs::warning {text {id ""} {indent 0}} { msg warning $text $id $indent }
proc ::qs::critical {text {id ""} {indent 0}} { msg critical_warning $text $id $indent }
proc ::qs::error_msg {text {id ""} {indent 0}} { msg error $text $id $indent }

# Reports an error and ends the tool's work. While ::qs::quiet is set (the shell's project
# commands, whose errors go to the script) it only ends the work.
proc ::qs::fail {text {id ""}} {
    if {![info exists ::qs::quiet] || !$::qs::quiet} { msg error $text $id }
    return -code error -errorcode {QS FAIL} $text
}

# Ends the tool's work when errors were reported.
proc ::qs::check_errors {} {
    variable errors
    if {$errors > 0} { return -code error -errorcode {QS FAIL} "errors reported" }
}

proc ::qs::plural {n word} {
    return "$n $word[expr {$n == 1 ? {} : {s}}]"
}

proc ::qs::setup_output {} {
    fconfigure stdout -translation crlf -encoding iso8859-1 -buffering line
}

proc ::qs::begin {tool title exe argv} {
    variable started
    variable cpu_started
    set ::qs::tool $tool
    set ::qs::title $title
    set ::qs::exe $exe
    set started [clock milliseconds]
    set cpu_started [clock clicks -milliseconds]
    inform "*******************************************************************"
    inform "Running $::qs::product $title"
    inform [version_line] "" 1
    inform "Processing started: [timestamp]" "" 1
    inform "Command: [join [concat [list $exe] $argv] { }]"
}

# The closing lines of a run; answers the exit code: 0, or 3 after errors.
proc ::qs::finish {ok} {
    variable errors
    variable warnings
    variable started
    variable title
    delay_on_request
    set elapsed [expr {([clock milliseconds] - $started) / 1000.0}]
    set type [expr {$ok ? "info" : "error"}]
    set outcome [expr {$ok ? "successful" : "unsuccessful"}]
    emit $type "$::qs::product $title was $outcome. [plural $errors error], [plural $warnings warning]"
    emit $type "Peak virtual memory: [expr {480 + [string length [join $::qs::messages]] % 97}] megabytes" "" 1
    emit $type "Processing ended: [timestamp]" "" 1
    emit $type "Elapsed time: [hms [expr {ceil($elapsed)}]]" "" 1
    emit $type "Total CPU time (on all processors): [hms $elapsed]" "" 1
    flush stdout
    return [expr {$ok ? 0 : 3}]
}

# MORVEL_QUARTUS_DELAY_MS makes a run last longer, for trying out how a caller stops a running
# tool. It is capped at ten minutes, and the wait ends early when the caller goes away.
proc ::qs::delay_on_request {} {
    global env
    if {![info exists env(MORVEL_QUARTUS_DELAY_MS)]} return
    set ms $env(MORVEL_QUARTUS_DELAY_MS)
    if {![string is integer -strict $ms] || $ms <= 0} return
    if {$ms > 600000} { set ms 600000 }
    set end [expr {[clock milliseconds] + $ms}]
    while {[clock milliseconds] < $end} {
        after 100
        if {[catch {puts -nonewline stdout ""; flush stdout}]} break
    }
}

# Runs one tool's work and turns its outcome into the closing lines and the exit code. Work
# ends by returning (success) or by an error: a reported failure, or a fault of the stand-in,
# which is reported as an internal error rather than as a Tcl trace.
proc ::qs::run_tool {tool title exe argv body} {
    begin $tool $title $exe $argv
    set code [catch {uplevel 1 $body} result options]
    if {$code == 1} {
        if {[dict get $options -errorcode] ne {QS FAIL}} {
            msg error "Internal error of $exe: $result"
            foreach line [lrange [split [dict get $options -errorinfo] \n] 1 3] {
                emit error [string trim $line] "" 1
            }
        }
        return [finish 0]
    }
    return [finish [expr {$::qs::errors == 0}]]
}

# ---- Command lines ----------------------------------------------------------------------------

# A usage error: one clear line and a pointer to the help. Exit code 2.
proc ::qs::usage_error {exe text} {
    setup_output
    emit error $text
    emit info "Type $exe --help for the command line of $exe"
    flush stdout
    return 2
}

# Splits the arguments of a project tool: the project name, --rev, --set and the tool's own
# options (named in `valued`, each --NAME=VALUE). Answers a dict or raises {QS USAGE message}.
proc ::qs::parse_project_args {exe argv valued} {
    set result [dict create project "" rev "" set {} options {}]
    set i 0
    while {$i < [llength $argv]} {
        set arg [lindex $argv $i]
        incr i
        if {$arg eq "-c" || $arg eq "--rev"} {
            if {$i >= [llength $argv]} { usage_fail "$arg needs the name of a revision" }
            dict set result rev [lindex $argv $i]
            incr i
            continue
        }
        if {[regexp {^--?([A-Za-z_][A-Za-z0-9_]*)(?:=(.*))?$} $arg -> name value]} {
            set name [string tolower $name]
            set has_value [regexp {=} $arg]
            switch -- $name {
                rev {
                    if {!$has_value || $value eq ""} { usage_fail "--rev needs the name of a revision: --rev=REVISION" }
                    dict set result rev $value
                }
                set {
                    if {!$has_value || ![regexp {^([A-Za-z_][A-Za-z0-9_]*)=(.*)$} $value -> key v]} {
                        usage_fail "--set needs an assignment: --set=NAME=VALUE"
                    }
                    dict lappend result set [list $key $v]
                }
                read_settings_files - write_settings_files {
                    if {!$has_value || [string tolower $value] ni {on off}} {
                        usage_fail "--$name takes on or off"
                    }
                }
                default {
                    if {$name ni $valued} { usage_fail "Unknown option $arg" }
                    if {!$has_value || $value eq ""} { usage_fail "--$name needs a value: --$name=VALUE" }
                    dict set result options $name $value
                }
            }
            continue
        }
        if {[dict get $result project] ne ""} {
            usage_fail "Too many project names: [dict get $result project] and $arg"
        }
        if {$arg eq ""} { usage_fail "The project name is empty" }
        dict set result project $arg
    }
    if {[dict get $result project] eq ""} {
        usage_fail "$exe needs the name of a project"
    }
    return $result
}

proc ::qs::usage_fail {text} {
    return -code error -errorcode {QS USAGE} $text
}

proc ::qs::wants_help {argv} {
    foreach a $argv { if {$a in {-h --help -help -?}} { return 1 } }
    return 0
}

proc ::qs::wants_version {argv} {
    foreach a $argv { if {$a in {-v --version -version}} { return 1 } }
    return 0
}

proc ::qs::print_lines {text} {
    setup_output
    foreach line [split [string trimright $text \n] \n] { puts stdout $line }
    flush stdout
    return 0
}

proc ::qs::print_version {exe} {
    return [print_lines "$exe\n$::qs::product [version_line]\nA stand-in of the simulated host: it writes reports and raw bit files in the tools' formats."]
}

# The common entry of the project tools: help, version and argument errors, then the work.
proc ::qs::project_tool {exe title tool argv valued help body} {
    if {[wants_help $argv]} { return [print_lines $help] }
    if {[wants_version $argv]} { return [print_version $exe] }
    if {[catch {parse_project_args $exe $argv $valued} args options]} {
        if {[dict get $options -errorcode] eq {QS USAGE}} { return [usage_error $exe "$args"] }
        return -options $options $args
    }
    setup_output
    set ::qs::args $args
    return [run_tool $tool $title $exe $argv $body]
}

# ---- File names -------------------------------------------------------------------------------

# The tools come from a platform whose file names ignore letter case: a name finds the file
# whatever the case of either, and writing to a name that an existing file matches replaces that
# file under its own name. Answers the existing file that `path` names, or `path` itself.
proc ::qs::resolve {path} {
    if {$path eq "" || [file exists $path]} { return $path }
    set dir [file dirname $path]
    set tail [file tail $path]
    if {$dir ne $path && $dir ne "."} { set dir [resolve $dir] }
    if {![file isdirectory $dir]} { return $path }
    set found {}
    foreach name [glob -nocomplain -tails -directory $dir -- * .*] {
        if {[string equal -nocase $name $tail]} { lappend found $name }
    }
    if {[llength $found] == 0} { return $path }
    set name [lindex [lsort $found] 0]
    if {[file pathtype $path] eq "relative" && [file dirname $path] eq "."} { return $name }
    return [file join $dir $name]
}

proc ::qs::read_file {path} {
    set f [open [resolve $path] r]
    fconfigure $f -translation auto -encoding iso8859-1
    set text [read $f]
    close $f
    return $text
}

proc ::qs::read_binary {path} {
    set f [open [resolve $path] rb]
    set data [read $f]
    close $f
    return $data
}

# Writes through a temporary file renamed over the target, so that a failed run never leaves a
# half-written output that looks complete.
proc ::qs::write_file {path data {binary 0}} {
    set path [resolve $path]
    set dir [file dirname $path]
    if {![file isdirectory $dir]} { file mkdir $dir }
    set temp [file join $dir ".[file tail $path].[pid].tmp"]
    if {[catch {
        set f [open $temp w]
        if {$binary} {
            fconfigure $f -translation binary
        } else {
            fconfigure $f -translation lf -encoding iso8859-1
        }
        puts -nonewline $f $data
        close $f
        file rename -force -- $temp $path
    } message]} {
        catch {close $f}
        catch {file delete -- $temp}
        fail "Can't write file \"$path\": $message"
    }
    return $path
}

proc ::qs::remove_file {path} {
    set path [resolve $path]
    if {[file exists $path]} { catch {file delete -- $path} }
}

# ---- Assignments ------------------------------------------------------------------------------

# An assignment is a dict: kind (global, instance or location), name, value, to, from, section,
# entity. Parses the arguments of set_global_assignment, set_instance_assignment and
# set_location_assignment; answers {assignment remove}.
proc ::qs::parse_assignment {command arguments} {
    switch -- $command {
        set_global_assignment { set kind global }
        set_instance_assignment - set_io_assignment { set kind instance }
        set_location_assignment { set kind location }
        default { error "unknown assignment command $command" }
    }
    set a [dict create kind $kind name "" value "" to "" from "" section "" entity ""]
    set remove 0
    set positional {}
    set i 0
    set n [llength $arguments]
    while {$i < $n} {
        set arg [lindex $arguments $i]
        incr i
        switch -- $arg {
            -name - -section_id - -entity - -to - -from - -comment - -tag - -qip_file - -library - -hdl_version {
                if {$i >= $n} { error "$command: option $arg needs a value" }
                set value [lindex $arguments $i]
                incr i
                switch -- $arg {
                    -name { dict set a name $value }
                    -section_id { dict set a section $value }
                    -entity { dict set a entity $value }
                    -to { dict set a to $value }
                    -from { dict set a from $value }
                }
            }
            -remove { set remove 1 }
            -disable - -fall - -rise { }
            default {
                if {[string match -* $arg] && ![string is double -strict $arg]} {
                    error "$command: unknown option $arg"
                }
                lappend positional $arg
            }
        }
    }
    if {[llength $positional] > 1} {
        error "$command: too many values: [join $positional {, }]"
    }
    if {$kind eq "location"} {
        dict set a name LOCATION
        if {[dict get $a to] eq ""} { error "$command: -to names the pin to place" }
    } elseif {[dict get $a name] eq ""} {
        error "$command: -name names the assignment"
    }
    if {[llength $positional] == 1} {
        dict set a value [lindex $positional 0]
    } elseif {!$remove} {
        error "$command: [dict get $a name] needs a value"
    }
    return [list $a $remove]
}

proc ::qs::assignment_key {a} {
    return [string tolower [list [dict get $a kind] [dict get $a name] [dict get $a to] \
        [dict get $a from] [dict get $a section] [dict get $a entity]]]
}

# Adds (or removes) one assignment of a list, keeping the order in which names first appeared.
proc ::qs::store_assignment {listVar a remove} {
    upvar 1 $listVar list
    set key [assignment_key $a]
    set index -1
    for {set i 0} {$i < [llength $list]} {incr i} {
        if {[assignment_key [lindex $list $i]] eq $key} { set index $i; break }
    }
    if {$remove} {
        if {$index >= 0} { set list [lreplace $list $index $index] }
    } elseif {$index >= 0} {
        lset list $index $a
    } else {
        lappend list $a
    }
}

# A value in the form an assignment file keeps it.
proc ::qs::qsf_quote {value} {
    if {$value ne "" && [regexp {^[A-Za-z0-9_.:/*+@%=,<>|!?~^'()-]+$} $value]} { return $value }
    # Bus bits stay bare as the tools write them; readers turn "[0]" back into text.
    if {[regexp {^[A-Za-z_][A-Za-z0-9_.]*(\[([0-9]+|\*)\])+$} $value]} { return $value }
    return "\"[string map {\\ \\\\ \" \\\" $ \\$ [ \\[ ] \\] \n \\n \r \\r \t \\t} $value]\""
}

proc ::qs::qsf_line {a} {
    set kind [dict get $a kind]
    if {$kind eq "location"} {
        set line "set_location_assignment [qsf_quote [dict get $a value]] -to [qsf_quote [dict get $a to]]"
        return $line
    }
    set line "set_${kind}_assignment -name [dict get $a name] [qsf_quote [dict get $a value]]"
    foreach {option key} {-from from -to to -entity entity -section_id section} {
        if {[dict get $a $key] ne ""} { append line " $option [qsf_quote [dict get $a $key]]" }
    }
    return $line
}

# Reads an assignment file: Tcl commands, evaluated in a safe interpreter with limits, so a
# damaged or hostile file gives an error rather than a hang.
proc ::qs::read_assignments {path} {
    set text [read_file $path]
    set slave [interp create -safe]
    set ::qs::reading {}
    foreach command {set_global_assignment set_instance_assignment set_location_assignment set_io_assignment} {
        interp alias $slave $command {} ::qs::record_assignment $command
    }
    foreach command {set_parameter set_user_option set_project_option} {
        interp alias $slave $command {} ::qs::ignore_command
    }
    $slave eval [bus_index_handler]
    interp limit $slave commands -value [expr {[$slave eval {info cmdcount}] + 2000000}]
    interp limit $slave time -seconds [expr {[clock seconds] + 30}]
    set code [catch {$slave eval $text} message options]
    interp delete $slave
    if {$code == 1} {
        set line ""
        if {[dict exists $options -errorline]} { set line "([dict get $options -errorline])" }
        fail "Can't read assignment file [file tail $path]$line: $message"
    }
    set result $::qs::reading
    unset ::qs::reading
    return $result
}

proc ::qs::record_assignment {command args} {
    lassign [parse_assignment $command $args] a remove
    store_assignment ::qs::reading $a $remove
    return
}

proc ::qs::ignore_command {args} { return }

# Assignment files and constraint scripts name bus bits bare, as in "-to led[0]": the bracket is
# a command substitution in Tcl, so a command named by a bit index answers its own text.
proc ::qs::bus_index_handler {{fallback ""}} {
    return [string map [list @FALLBACK@ $fallback] {
        proc unknown {name args} {
            if {[llength $args] == 0 && [regexp {^([0-9]+|\*|[0-9]+:[0-9]+)$} $name]} {
                return "\[$name\]"
            }
            if {"@FALLBACK@" eq ""} { return -code error "invalid command name \"$name\"" }
            # The error comes from here, so that its trace shows the caller's command.
            if {[catch {uplevel 1 [list @FALLBACK@ $name {*}$args]} result options]} {
                return -code error -errorcode [dict get $options -errorcode] $result
            }
            return $result
        }
    }]
}

# ---- Projects ---------------------------------------------------------------------------------

# Opens a project as the tools do: PROJECT.qpf names the revisions, REVISION.qsf holds the
# assignments. Answers a dict: dir, name (as given), revision, qpf, qsf, out (the base name of the
# files the tool writes), assignments. --set options become global assignments of this run.
proc ::qs::open_project {given {rev ""} {overrides {}}} {
    set name $given
    if {[string equal -nocase [file extension $name] .qpf]} { set name [file rootname $name] }
    set dir [file dirname $name]
    set name [file tail $name]
    set qpf [resolve [file join $dir $name.qpf]]
    if {![file isfile $qpf]} {
        fail "Can't open project \"$name\": there is no project file $name.qpf in [file normalize $dir]" 20000
    }
    set revisions {}
    foreach line [split [read_file $qpf] \n] {
        if {[regexp {^\s*PROJECT_REVISION\s*=\s*"([^"]*)"} $line -> r]} { lappend revisions $r }
    }
    if {[llength $revisions] == 0} { set revisions [list [file rootname [file tail $qpf]]] }
    if {$rev eq ""} {
        set rev [lindex $revisions 0]
    } else {
        set known 0
        foreach r $revisions { if {[string equal -nocase $r $rev]} { set known 1 } }
        if {!$known} { fail "Revision \"$rev\" does not exist in project \"$name\"" 20001 }
    }
    set qsf [resolve [file join $dir $rev.qsf]]
    if {![file isfile $qsf]} {
        fail "Can't open assignment file $rev.qsf of project \"$name\": the file does not exist" 20002
    }
    set assignments [read_assignments $qsf]
    foreach pair $overrides {
        lassign $pair key value
        store_assignment assignments [dict create kind global name $key value $value to "" from "" section "" entity ""] 0
    }
    # Files are named after the revision, in the spelling of the command line when that names it.
    set out [expr {[string equal -nocase $rev $name] ? $name : $rev}]
    return [dict create dir $dir name $name revision $rev qpf $qpf qsf $qsf out $out \
        assignments $assignments]
}

# The value of a global assignment (the last one made), or `default`.
proc ::qs::assigned {project name {default ""} {section ""}} {
    set value $default
    foreach a [dict get $project assignments] {
        if {[dict get $a kind] eq "global" && [string equal -nocase [dict get $a name] $name]
                && [string equal -nocase [dict get $a section] $section]} {
            set value [dict get $a value]
        }
    }
    return $value
}

proc ::qs::assigned_all {project name} {
    set values {}
    foreach a [dict get $project assignments] {
        if {[dict get $a kind] eq "global" && [string equal -nocase [dict get $a name] $name]} {
            lappend values [dict get $a value]
        }
    }
    return $values
}

proc ::qs::instances {project name} {
    set found {}
    foreach a [dict get $project assignments] {
        if {[dict get $a kind] eq "instance" && [string equal -nocase [dict get $a name] $name]} {
            lappend found $a
        }
    }
    return $found
}

proc ::qs::locations {project} {
    set found {}
    foreach a [dict get $project assignments] {
        if {[dict get $a kind] eq "location"} { lappend found $a }
    }
    return $found
}

proc ::qs::is_on {value} {
    return [expr {[string tolower $value] in {on true 1 yes}}]
}

proc ::qs::out_path {project suffix} {
    return [file join [dict get $project dir] "[dict get $project out]$suffix"]
}

# ---- Database ---------------------------------------------------------------------------------

# What one tool hands to the next: a dict in a text file below db/.
proc ::qs::db_path {project stage} {
    return [file join [dict get $project dir] db "[dict get $project out].$stage.qdb"]
}

proc ::qs::db_write {project stage data} {
    write_file [db_path $project $stage] "# Quartus stand-in database: $stage\n$data\n"
}

proc ::qs::db_read {project stage producer} {
    set path [resolve [db_path $project $stage]]
    if {![file isfile $path]} {
        fail "Can't find the $stage netlist of project \"[dict get $project name]\": run $producer first" 20010
    }
    set text [read_file $path]
    set first [string first \n $text]
    if {![string match "# Quartus stand-in database: $stage" [string range $text 0 [expr {$first - 1}]]]
            || [catch {dict size [string range $text $first end]}]} {
        fail "The $stage netlist of project \"[dict get $project name]\" is damaged: run $producer again" 20011
    }
    return [string trim [string range $text $first end]]
}

# ---- Reports ----------------------------------------------------------------------------------

# A table as the tools lay it out: a title row, an optional header row, rows of cells between
# ";" separators, each column padded to its widest cell.
proc ::qs::table {title header rows} {
    set columns [llength $header]
    foreach row $rows { if {[llength $row] > $columns} { set columns [llength $row] } }
    if {$columns == 0} { set columns 1 }
    set widths [lrepeat $columns 0]
    foreach row [concat [list $header] $rows] {
        for {set c 0} {$c < [llength $row]} {incr c} {
            set w [string length [lindex $row $c]]
            if {$w > [lindex $widths $c]} { lset widths $c $w }
        }
    }
    set total [expr {[tcl::mathop::+ {*}$widths] + 3 * $columns - 1}]
    set need [expr {[string length $title] + 2}]
    if {$need > $total} {
        lset widths end [expr {[lindex $widths end] + $need - $total}]
        set total $need
    }
    set rule "+"
    foreach w $widths { append rule "[string repeat - [expr {$w + 2}]]+" }
    set lines [list "+[string repeat - $total]+" "; [format %-*s [expr {$total - 2}] $title] ;" $rule]
    if {[llength $header] > 0} {
        lappend lines [table_row $header $widths] $rule
    }
    foreach row $rows { lappend lines [table_row $row $widths] }
    lappend lines $rule
    return [join $lines \n]
}

proc ::qs::table_row {row widths} {
    set line ";"
    for {set c 0} {$c < [llength $widths]} {incr c} {
        append line " [format %-*s [lindex $widths $c] [lindex $row $c]] ;"
    }
    return $line
}

# A panel without a table: its title between dashed lines, then its text.
proc ::qs::panel {title text} {
    set head "; $title ;"
    set dashes [string repeat - [string length $head]]
    return "$dashes\n$head\n$dashes\n$text"
}

proc ::qs::legal_notice {} {
    return [panel "Legal Notice" [join {
        "This report was written by a stand-in of the Quartus II command-line tools that comes"
        "with the simulated host. Its figures are derived from the design by fixed rules; they"
        "are plausible, not measured."
    } \n]]
}

# The whole report: title lines, table of contents, panels in order, blank lines between.
proc ::qs::report {kind project panels} {
    set text "$kind report for [dict get $project revision]\n[timestamp]\n$::qs::product [version_line]\n\n\n"
    set toc {}
    set i 0
    foreach {title body} $panels { lappend toc [format "%3d. %s" [incr i] $title] }
    append text [panel "Table of Contents" [join $toc \n]] "\n\n\n\n"
    foreach {title body} $panels { append text $body "\n\n\n" }
    return "$text\n"
}

proc ::qs::messages_panel {title} {
    return [panel $title [join $::qs::messages \n]]
}

# Writes a tool's report, or, when MORVEL_REPLAY_QUARTUS_<TOOL> names a file, that file instead
# (byte for byte), so that tests and demonstrations can feed real reports to the reader.
proc ::qs::write_report {tool path text} {
    global env
    set var "MORVEL_REPLAY_QUARTUS_[string toupper $tool]"
    if {[info exists env($var)] && $env($var) ne ""} {
        set source $env($var)
        if {[catch {read_binary $source} data]} {
            fail "Can't replay report \"$source\" named by $var: $data"
        }
        inform "Report [file tail $path] replayed from $source" "" 1
        return [write_file $path $data 1]
    }
    return [write_file $path $text]
}

# ---- Small helpers ----------------------------------------------------------------------------

# A number with thousands separators, as the reports print counts.
proc ::qs::grouped {n} {
    set s [expr {abs(wide($n))}]
    set out ""
    while {[string length $s] > 3} {
        set out ",[string range $s end-2 end]$out"
        set s [string range $s 0 end-3]
    }
    return "[expr {$n < 0 ? {-} : {}}]$s$out"
}

# "n / total" and its percentage, as the resource tables print usage.
proc ::qs::usage {used total} {
    return "[grouped $used] / [grouped $total]"
}

proc ::qs::percent {used total} {
    if {$total <= 0} { return "0 %" }
    set p [expr {100.0 * $used / $total}]
    if {$used > 0 && $p < 1} { return "< 1 %" }
    return "[expr {int(round($p))}] %"
}

proc ::qs::ns {value} { return [format "%.3f" $value] }

proc ::qs::crc {text} {
    return [zlib crc32 [encoding convertto iso8859-1 $text]]
}
