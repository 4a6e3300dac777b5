# The compilation flow: Analysis & Synthesis, the Fitter, timing analysis and the Assembler one
# after the other, each as its own process, as quartus_sh --flow compile, execute_flow and
# quartus_cmd run them.

namespace eval ::qs::flow {
    variable cmd_help {quartus_cmd: compiles a project

Usage: quartus_cmd PROJECT [-c REVISION]

Runs quartus_map, quartus_fit, quartus_sta (or quartus_tan when the revision sets
USE_TIMEQUEST_TIMING_ANALYZER OFF) and quartus_asm on the project, stopping at the first that
fails, as quartus_sh --flow compile does.

Exit status: 0 on success, 2 for a command-line error, 3 when a tool fails.}
}

# Runs one tool of this installation with its output passed on line by line; answers its exit
# status.
proc ::qs::flow::run_tool {tool arguments} {
    set exe [file join [file dirname $::qs::lib_dir] bin quartus_$tool]
    if {[catch {open |[concat [list $exe] $arguments [list 2>@1]] r} pipe]} {
        ::qs::error_msg "Can't run quartus_$tool: $pipe"
        return 3
    }
    fconfigure $pipe -translation auto -encoding iso8859-1
    while {[gets $pipe line] >= 0} { puts stdout $line }
    if {[catch {close $pipe} message options]} {
        set ec [dict get $options -errorcode]
        if {[lindex $ec 0] eq "CHILDSTATUS"} { return [lindex $ec 2] }
        ::qs::error_msg "quartus_$tool ended abnormally: $message"
        return 3
    }
    return 0
}

# Answers 0 when every step succeeded, else the exit status of the step that failed.
proc ::qs::flow::sequence {project revision} {
    set tools {map fit sta asm}
    set ::qs::quiet 1
    if {![catch {::qs::open_project $project $revision} p]} {
        if {[string tolower [::qs::assigned $p USE_TIMEQUEST_TIMING_ANALYZER On]] in {off false 0}} {
            set tools {map fit tan asm}
        }
    }
    set ::qs::quiet 0
    set arguments [list $project]
    if {$revision ne ""} { lappend arguments -c $revision }
    foreach tool $tools {
        set status [run_tool $tool $arguments]
        if {$status != 0} {
            ::qs::error_msg "quartus_$tool failed: the compilation stops" 293001
            return $status
        }
    }
    ::qs::inform "The compilation of [file tail $project] was successful" 293000
    return 0
}

proc ::qs::flow::compile {arguments} {
    set status [sequence [dict get $arguments project] [dict get $arguments rev]]
    if {$status != 0} { return -code error -errorcode {QS FAIL} "compilation failed" }
}

proc ::qs::flow::cmd_main {argv} {
    variable cmd_help
    return [::qs::project_tool quartus_cmd "Compiler" cmd $argv {} $cmd_help {::qs::flow::compile $::qs::args}]
}
