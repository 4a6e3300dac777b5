# quartus_sh, the Tcl shell of the tools: runs Tcl scripts with a real Tcl interpreter that
# knows the project commands (project_new, set_global_assignment, export_assignments and their
# kin), keeps the project in PROJECT.qpf and REVISION.qsf, and runs the other tools for
# execute_module, execute_flow and --flow compile.

namespace eval ::qs::sh {
    variable help {quartus_sh: the Tcl shell

Usage:
  quartus_sh -t SCRIPT [ARGUMENTS...]     run a Tcl script; its arguments are in quartus(args)
  quartus_sh --tcl_eval COMMAND [ARGS...] run one Tcl command and print its result
  quartus_sh --flow compile PROJECT [-c REVISION]
                                          run Analysis & Synthesis, the Fitter, timing
                                          analysis and the Assembler
  quartus_sh --help | --version

Project commands: project_new [-overwrite] [-revision R] [-family F] [-part P] NAME,
project_open [-revision R] NAME, project_close [-dont_export_assignments], project_exists,
is_project_open, set_global_assignment, set_instance_assignment, set_location_assignment,
set_io_assignment, get_global_assignment, get_instance_assignment, get_location_assignment,
get_all_assignments, get_all_global_assignments, get_all_instance_assignments,
get_all_location_assignments, get_assignment_info, foreach_in_collection,
get_collection_size, remove_all_global_assignments, remove_all_instance_assignments,
export_assignments, create_base_clock, post_message, load_package, get_current_revision,
execute_module, execute_flow.

File names in scripts ignore letter case, as on the tools' home platform.
Exit status: 0 on success, 2 for a command-line error, 3 when the script fails or posts errors.}

    variable project ""
    variable interp ""
}

proc ::qs::sh::main {argv} {
    variable help
    set first [lindex $argv 0]
    if {[llength $argv] == 0} {
        return [::qs::usage_error quartus_sh "quartus_sh needs something to do: -t SCRIPT, --tcl_eval COMMAND or --flow compile PROJECT"]
    }
    if {$first in {-h --help -help -?}} { return [::qs::print_lines $help] }
    if {$first in {-v --version -version}} { return [::qs::print_version quartus_sh] }
    switch -- $first {
        -t - --script {
            if {[llength $argv] < 2 || [lindex $argv 1] eq ""} {
                return [::qs::usage_error quartus_sh "quartus_sh $first needs the name of a Tcl script: quartus_sh -t SCRIPT \[ARGUMENTS...\]"]
            }
            set script [lindex $argv 1]
            set arguments [lrange $argv 2 end]
            ::qs::setup_output
            return [::qs::run_tool sh Shell quartus_sh $argv [list ::qs::sh::run_script $script $arguments]]
        }
        --tcl_eval {
            if {[llength $argv] < 2} {
                return [::qs::usage_error quartus_sh "quartus_sh --tcl_eval needs a Tcl command"]
            }
            ::qs::setup_output
            return [::qs::run_tool sh Shell quartus_sh $argv [list ::qs::sh::eval_command [lrange $argv 1 end]]]
        }
        --flow {
            if {[lindex $argv 1] ne "compile"} {
                return [::qs::usage_error quartus_sh "quartus_sh --flow knows the flow compile: quartus_sh --flow compile PROJECT \[-c REVISION\]"]
            }
            if {[catch {::qs::parse_project_args quartus_sh [lrange $argv 2 end] {}} args options]} {
                if {[dict get $options -errorcode] eq {QS USAGE}} { return [::qs::usage_error quartus_sh $args] }
                return -options $options $args
            }
            ::qs::setup_output
            return [::qs::run_tool sh Shell quartus_sh $argv [list ::qs::flow::compile $args]]
        }
        -s - --shell {
            return [::qs::usage_error quartus_sh "The interactive shell is not available in this installation: give a script with -t SCRIPT"]
        }
    }
    return [::qs::usage_error quartus_sh "Unknown option or command \"$first\""]
}

# ---- Script interpreter -----------------------------------------------------------------------

proc ::qs::sh::commands {} {
    return {project_new project_open project_close project_exists is_project_open
        set_global_assignment set_instance_assignment set_location_assignment set_io_assignment
        get_global_assignment get_instance_assignment get_location_assignment get_all_assignments
        get_all_global_assignments get_all_instance_assignments get_all_location_assignments
        get_assignment_info get_collection_size remove_all_global_assignments
        remove_all_instance_assignments export_assignments create_base_clock post_message
        load_package get_current_revision execute_module execute_flow}
}

proc ::qs::sh::make_interp {arguments} {
    variable interp
    set i [interp create]
    foreach command [commands] { interp alias $i $command {} ::qs::sh::$command }
    interp alias $i ::qs_resolve {} ::qs::resolve
    interp alias $i exit {} ::qs::sh::script_exit
    $i eval [list array set quartus [list args $arguments version [::qs::version_line] \
        nameofexecutable quartus_sh binpath [file join [file dirname $::qs::lib_dir] bin]/ \
        ipc_mode 0]]
    $i eval {
        foreach p {::quartus::project ::quartus::flow ::quartus::misc ::quartus::report ::quartus::device} {
            package provide $p 13.1
        }
        proc foreach_in_collection {var collection body} {
            uplevel 1 [list foreach $var $collection $body]
        }
        # Names of existing files ignore letter case, as on the tools' home platform.
        rename source ::tcl::qs_source
        proc source {args} {
            set name [::qs_resolve [lindex $args end]]
            uplevel 1 [list ::tcl::qs_source {*}[lrange $args 0 end-1] $name]
        }
        rename open ::tcl::qs_open
        proc open {name args} {
            if {![string match |* $name]} { set name [::qs_resolve $name] }
            uplevel 1 [list ::tcl::qs_open $name {*}$args]
        }
        rename file ::tcl::qs_file
        proc file {command args} {
            if {$command in {exists isfile isdirectory readable writable executable size mtime atime
                    delete copy rename stat lstat type readlink}} {
                set resolved {}
                foreach a $args {
                    if {[string match -* $a]} { lappend resolved $a } else { lappend resolved [::qs_resolve $a] }
                }
                set args $resolved
            }
            uplevel 1 [list ::tcl::qs_file $command {*}$args]
        }
        rename unknown ::tcl::qs_unknown
    }
    $i eval [::qs::bus_index_handler ::tcl::qs_unknown]
    set interp $i
    return $i
}

proc ::qs::sh::script_exit {{code 0}} {
    return -code error -errorcode [list QS EXIT $code] "exit $code"
}

# Evaluates in the script interpreter; a Tcl error there is reported with its trace.
proc ::qs::sh::evaluate {i script what} {
    set code [catch {$i eval $script} result options]
    if {$code == 1} {
        set ec [dict get $options -errorcode]
        if {[lindex $ec 0] eq "QS" && [lindex $ec 1] eq "EXIT"} {
            set status [lindex $ec 2]
            if {![string is integer -strict $status] || $status != 0} {
                ::qs::fail "$what ended with exit status $status" 23031
            }
            return ""
        }
        ::qs::error_msg "Tcl error: $result" 23035
        # The trace, as far as it is the script's own: the frames of the shell are left out.
        set trace {}
        foreach line [lrange [split [dict get $options -errorinfo] \n] 1 end] {
            if {[string match *::tcl::qs_* $line] || [string match {*$i eval $script*} $line]} break
            lappend trace $line
        }
        while {[llength $trace] > 0 && [string trim [lindex $trace end]] in {"invoked from within" "while executing" ""}} {
            set trace [lrange $trace 0 end-1]
        }
        foreach line $trace { puts stdout $line }
        ::qs::fail "Evaluation of $what unsuccessful" 23031
    }
    return $result
}

proc ::qs::sh::run_script {script arguments} {
    set path [::qs::resolve $script]
    if {![file isfile $path]} {
        ::qs::fail "Can't open Tcl script file \"$script\": [file normalize $script] does not exist" 23030
    }
    if {[llength $arguments] > 0} { ::qs::inform "Quartus(args): $arguments" }
    set i [make_interp $arguments]
    ::qs::inform "Evaluating Tcl script [file tail $path]" 23030
    evaluate $i [list source $path] "Tcl script [file tail $path]"
    ::qs::inform "Evaluation of Tcl script [file tail $path] was successful" 23032
    close_open_project
    interp delete $i
}

proc ::qs::sh::eval_command {words} {
    set i [make_interp {}]
    set result [evaluate $i [join $words " "] "command \"[join $words { }]\""]
    if {$result ne ""} { foreach line [split $result \n] { puts stdout $line } }
    close_open_project
    interp delete $i
}

# A script that leaves its project open has its assignments kept, as the shell does on exit.
proc ::qs::sh::close_open_project {} {
    variable project
    if {$project ne ""} {
        write_qsf
        set project ""
    }
}

# ---- Project commands -------------------------------------------------------------------------

proc ::qs::sh::need_project {command} {
    variable project
    if {$project eq ""} { error "$command: no project is open; use project_new or project_open first" }
}

# Options of a command: answers {options positional}; `flags` take no value.
proc ::qs::sh::options {command arguments valued flags} {
    set options {}
    set positional {}
    for {set i 0} {$i < [llength $arguments]} {incr i} {
        set a [lindex $arguments $i]
        if {$a in $flags} {
            dict set options $a 1
        } elseif {$a in $valued} {
            if {$i + 1 >= [llength $arguments]} { error "$command: option $a needs a value" }
            dict set options $a [lindex $arguments [incr i]]
        } elseif {[string match -* $a] && ![string is double -strict $a]} {
            error "$command: unknown option $a"
        } else {
            lappend positional $a
        }
    }
    return [list $options $positional]
}

proc ::qs::sh::one_name {command positional what} {
    if {[llength $positional] != 1 || [lindex $positional 0] eq ""} {
        error "$command needs $what"
    }
    return [lindex $positional 0]
}

proc ::qs::sh::project_files {name revision} {
    set dir [file dirname $name]
    set base [file tail $name]
    if {[string equal -nocase [file extension $base] .qpf]} { set base [file rootname $base] }
    return [list $dir $base [file join $dir $base.qpf] [file join $dir $revision.qsf]]
}

proc ::qs::sh::project_new {args} {
    variable project
    lassign [options project_new $args {-revision -family -part} {-overwrite}] o positional
    set name [one_name project_new $positional "the name of the project"]
    if {$project ne ""} { error "project_new: project \"[dict get $project name]\" is open; close it with project_close first" }
    set base [file tail $name]
    if {[string equal -nocase [file extension $base] .qpf]} { set base [file rootname $base] }
    set revision [expr {[dict exists $o -revision] ? [dict get $o -revision] : $base}]
    lassign [project_files $name $revision] dir base qpf qsf
    if {[file exists [::qs::resolve $qpf]] && ![dict exists $o -overwrite]} {
        error "project_new: project \"$base\" already exists; use -overwrite to replace it"
    }
    set project [dict create name $base dir $dir revision $revision assignments {}]
    set stamp [string toupper [clock format [::qs::now] -format "%H:%M:%S  %B %d, %Y"]]
    foreach {key value} [list ORIGINAL_QUARTUS_VERSION [::qs::version_short] PROJECT_CREATION_TIME_DATE $stamp] {
        add_global $key $value
    }
    if {[dict exists $o -family]} { add_global FAMILY [dict get $o -family] }
    if {[dict exists $o -part]} { add_global DEVICE [dict get $o -part] }
    write_qpf
    write_qsf
    return
}

proc ::qs::sh::add_global {name value} {
    variable project
    set list [dict get $project assignments]
    ::qs::store_assignment list [dict create kind global name $name value $value to "" from "" section "" entity ""] 0
    dict set project assignments $list
}

proc ::qs::sh::project_open {args} {
    variable project
    lassign [options project_open $args {-revision} {-force -current_revision}] o positional
    set name [one_name project_open $positional "the name of the project"]
    if {$project ne ""} { error "project_open: project \"[dict get $project name]\" is open; close it with project_close first" }
    set rev [expr {[dict exists $o -revision] ? [dict get $o -revision] : ""}]
    set ::qs::quiet 1
    set code [catch {::qs::open_project $name $rev} p options]
    set ::qs::quiet 0
    if {$code} { error "project_open: $p" }
    set project [dict create name [dict get $p name] dir [dict get $p dir] \
        revision [dict get $p revision] assignments [dict get $p assignments]]
    return
}

proc ::qs::sh::project_close {args} {
    variable project
    lassign [options project_close $args {} {-dont_export_assignments}] o positional
    need_project project_close
    if {![dict exists $o -dont_export_assignments]} { write_qsf }
    set project ""
    return
}

proc ::qs::sh::project_exists {args} {
    lassign [options project_exists $args {-revision} {}] o positional
    set name [one_name project_exists $positional "the name of the project"]
    lassign [project_files $name x] dir base qpf
    return [file isfile [::qs::resolve $qpf]]
}

proc ::qs::sh::is_project_open {} {
    variable project
    return [expr {$project ne ""}]
}

proc ::qs::sh::get_current_revision {args} {
    variable project
    need_project get_current_revision
    return [dict get $project revision]
}

proc ::qs::sh::store {command arguments} {
    variable project
    need_project $command
    lassign [::qs::parse_assignment $command $arguments] a remove
    set list [dict get $project assignments]
    ::qs::store_assignment list $a $remove
    dict set project assignments $list
    return
}

proc ::qs::sh::set_global_assignment {args} { return [store set_global_assignment $args] }
proc ::qs::sh::set_instance_assignment {args} { return [store set_instance_assignment $args] }
proc ::qs::sh::set_location_assignment {args} { return [store set_location_assignment $args] }
proc ::qs::sh::set_io_assignment {args} { return [store set_io_assignment $args] }

proc ::qs::sh::find {kind name to section} {
    variable project
    set value ""
    foreach a [dict get $project assignments] {
        if {[dict get $a kind] ne $kind} continue
        if {$name ne "" && ![string equal -nocase [dict get $a name] $name]} continue
        if {$to ne "" && ![string equal -nocase [dict get $a to] $to]} continue
        if {![string equal -nocase [dict get $a section] $section]} continue
        set value [dict get $a value]
    }
    return $value
}

proc ::qs::sh::get_global_assignment {args} {
    need_project get_global_assignment
    lassign [options get_global_assignment $args {-name -section_id -entity} {-front_end_name}] o positional
    if {![dict exists $o -name]} { error "get_global_assignment needs -name" }
    set section [expr {[dict exists $o -section_id] ? [dict get $o -section_id] : ""}]
    return [find global [dict get $o -name] "" $section]
}

proc ::qs::sh::get_instance_assignment {args} {
    need_project get_instance_assignment
    lassign [options get_instance_assignment $args {-name -to -from -section_id -entity} {}] o positional
    if {![dict exists $o -name] || ![dict exists $o -to]} { error "get_instance_assignment needs -name and -to" }
    set section [expr {[dict exists $o -section_id] ? [dict get $o -section_id] : ""}]
    return [find instance [dict get $o -name] [dict get $o -to] $section]
}

proc ::qs::sh::get_location_assignment {args} {
    need_project get_location_assignment
    lassign [options get_location_assignment $args {-to} {}] o positional
    if {![dict exists $o -to]} { error "get_location_assignment needs -to" }
    return [find location "" [dict get $o -to] ""]
}

# A collection of assignments: a list the script walks with foreach_in_collection.
proc ::qs::sh::collect {command arguments kinds} {
    variable project
    need_project $command
    lassign [options $command $arguments {-name -type -to -from -section_id -entity} {}] o positional
    set pattern [expr {[dict exists $o -name] ? [dict get $o -name] : "*"}]
    if {[dict exists $o -type]} {
        switch -- [string tolower [dict get $o -type]] {
            global { set kinds {global} }
            instance { set kinds {instance location} }
            location { set kinds {location} }
            default { error "$command: -type is global or instance" }
        }
    }
    set result {}
    foreach a [dict get $project assignments] {
        if {[dict get $a kind] ni $kinds} continue
        if {![::qs::fit::name_match $pattern [dict get $a name]]} continue
        if {[dict exists $o -to] && ![::qs::fit::name_match [dict get $o -to] [dict get $a to]]} continue
        if {[dict exists $o -section_id] && ![string equal -nocase [dict get $o -section_id] [dict get $a section]]} continue
        lappend result $a
    }
    return $result
}

proc ::qs::sh::get_all_assignments {args} { return [collect get_all_assignments $args {global instance location}] }
proc ::qs::sh::get_all_global_assignments {args} { return [collect get_all_global_assignments $args {global}] }
proc ::qs::sh::get_all_instance_assignments {args} { return [collect get_all_instance_assignments $args {instance}] }
proc ::qs::sh::get_all_location_assignments {args} { return [collect get_all_location_assignments $args {location}] }

proc ::qs::sh::get_collection_size {collection} {
    return [llength $collection]
}

proc ::qs::sh::get_assignment_info {assignment args} {
    if {[catch {dict size $assignment}] || ![dict exists $assignment kind]} {
        error "get_assignment_info: the argument is not an assignment of a collection"
    }
    lassign [options get_assignment_info $args {} {-name -value -to -from -section_id -entity -type -comment}] o positional
    if {[dict size $o] != 1} { error "get_assignment_info needs exactly one of -name, -value, -to, -from, -section_id, -entity, -type" }
    set field [string range [lindex [dict keys $o] 0] 1 end]
    switch -- $field {
        section_id { return [dict get $assignment section] }
        type { return [expr {[dict get $assignment kind] eq "global" ? "global" : "instance"}] }
        comment { return "" }
        default { return [dict get $assignment $field] }
    }
}

proc ::qs::sh::remove_all {command arguments kinds} {
    variable project
    set doomed [collect $command $arguments $kinds]
    set list [dict get $project assignments]
    foreach a $doomed { ::qs::store_assignment list $a 1 }
    dict set project assignments $list
    return
}

proc ::qs::sh::remove_all_global_assignments {args} { return [remove_all remove_all_global_assignments $args {global}] }
proc ::qs::sh::remove_all_instance_assignments {args} { return [remove_all remove_all_instance_assignments $args {instance location}] }

proc ::qs::sh::export_assignments {args} {
    need_project export_assignments
    lassign [options export_assignments $args {} {-reorganize}] o positional
    write_qsf
    return
}

# A clock for the classic timing analyser: its requirement in a clock settings section and the
# CLOCK_SETTINGS assignment that ties the clock node to it.
proc ::qs::sh::create_base_clock {args} {
    need_project create_base_clock
    lassign [options create_base_clock $args {-fmax -duty_cycle -target} {-no_target -virtual}] o positional
    set name [one_name create_base_clock $positional "the name of the clock setting"]
    if {![dict exists $o -fmax]} { error "create_base_clock needs -fmax, such as -fmax \"100 MHz\"" }
    set fmax [dict get $o -fmax]
    if {[::qs::timing::period_of $fmax] eq ""} { error "create_base_clock: -fmax \"$fmax\" is not a frequency or a period" }
    store set_global_assignment [list -name FMAX_REQUIREMENT $fmax -section_id $name]
    if {[dict exists $o -duty_cycle]} {
        store set_global_assignment [list -name DUTY_CYCLE [dict get $o -duty_cycle] -section_id $name]
    }
    if {[dict exists $o -target]} {
        store set_instance_assignment [list -name CLOCK_SETTINGS $name -to [dict get $o -target]]
    }
    return
}

proc ::qs::sh::post_message {args} {
    lassign [options post_message $args {-type -submsgs -file -line} {}] o positional
    set type [expr {[dict exists $o -type] ? [string tolower [dict get $o -type]] : "info"}]
    if {$type ni {info extra_info warning critical_warning error}} {
        error "post_message: -type is info, extra_info, warning, critical_warning or error"
    }
    ::qs::msg $type [join $positional " "]
    if {[dict exists $o -submsgs]} {
        foreach sub [dict get $o -submsgs] { ::qs::msg $type $sub "" 1 }
    }
    return
}

proc ::qs::sh::load_package {args} {
    lassign [options load_package $args {-version} {}] o positional
    set name [string trimleft [one_name load_package $positional "the name of a package"] :]
    set name [regsub {^quartus::} $name ""]
    if {$name ni {project flow misc report device sdc timing advanced_timing sta}} {
        error "load_package: package $name is not available in this installation"
    }
    return
}

proc ::qs::sh::write_qpf {} {
    variable project
    set stamp [clock format [::qs::now] -format "%H:%M:%S  %B %d, %Y"]
    set text "# Project file of [dict get $project name], written by quartus_sh\n"
    append text "# $::qs::product [::qs::version_line]\n\n"
    append text "QUARTUS_VERSION = \"[::qs::version_short]\"\nDATE = \"$stamp\"\n\n# Revisions\n\n"
    append text "PROJECT_REVISION = \"[dict get $project revision]\"\n"
    ::qs::write_file [file join [dict get $project dir] [dict get $project name].qpf] $text
}

proc ::qs::sh::write_qsf {} {
    variable project
    set list [dict get $project assignments]
    ::qs::store_assignment list [dict create kind global name LAST_QUARTUS_VERSION \
        value [::qs::version_short] to "" from "" section "" entity ""] 0
    dict set project assignments $list
    set text "# Assignments of revision [dict get $project revision] of project [dict get $project name],\n"
    append text "# written by quartus_sh. Edit them with care: the tools read this file as Tcl.\n"
    append text "# $::qs::product [::qs::version_line]\n\n"
    foreach kind {global location instance} {
        foreach a $list {
            if {[dict get $a kind] eq $kind} { append text [::qs::qsf_line $a] \n }
        }
    }
    ::qs::write_file [file join [dict get $project dir] [dict get $project revision].qsf] $text
}

# ---- Running the other tools ------------------------------------------------------------------

# The open project as the other tools are given it.
proc ::qs::sh::project_path {} {
    variable project
    if {[dict get $project dir] eq "."} { return [dict get $project name] }
    return [file join [dict get $project dir] [dict get $project name]]
}

proc ::qs::sh::execute_module {args} {
    variable project
    lassign [options execute_module $args {-tool -args} {-dont_export_assignments}] o positional
    if {![dict exists $o -tool]} { error "execute_module needs -tool (map, fit, sta, tan or asm)" }
    set tool [string tolower [dict get $o -tool]]
    if {$tool ni {map fit sta tan asm}} { error "execute_module: -tool is map, fit, sta, tan or asm" }
    need_project execute_module
    if {![dict exists $o -dont_export_assignments]} { write_qsf }
    set extra [expr {[dict exists $o -args] ? [dict get $o -args] : ""}]
    set name [project_path]
    set status [::qs::flow::run_tool $tool [concat [list $name -c [dict get $project revision]] $extra]]
    if {$status != 0} { error "execute_module: quartus_$tool failed" }
    return
}

proc ::qs::sh::execute_flow {args} {
    variable project
    lassign [options execute_flow $args {} {-compile}] o positional
    if {![dict exists $o -compile]} { error "execute_flow knows -compile" }
    need_project execute_flow
    write_qsf
    set name [project_path]
    set status [::qs::flow::sequence $name [dict get $project revision]]
    if {$status != 0} { error "execute_flow: the compilation failed" }
    return
}
