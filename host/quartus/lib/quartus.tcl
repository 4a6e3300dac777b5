# Entry of the Quartus tool stand-ins: loads the modules and runs one tool, so that whatever
# goes wrong ends in an "Error:" line and an exit status rather than a Tcl trace.

namespace eval ::qs {}
foreach module {common devices hdl map fit timing asm shell flow} {
    source [file join [file dirname [file normalize [info script]]] $module.tcl]
}

proc ::qs::main {tool argv} {
    set code [catch {
        switch -- $tool {
            sh { ::qs::sh::main $argv }
            map { ::qs::map::main $argv }
            fit { ::qs::fit::main $argv }
            sta { ::qs::timing::sta_main $argv }
            tan { ::qs::timing::tan_main $argv }
            asm { ::qs::asm::main $argv }
            cmd { ::qs::flow::cmd_main $argv }
            default { error "unknown tool $tool" }
        }
    } result options]
    if {$code == 1} {
        # Standard output may be what failed (a reader that went away): report what can be.
        catch {
            ::qs::setup_output
            ::qs::emit error "Internal error of quartus_$tool: $result"
            flush stdout
        }
        return 3
    }
    catch {flush stdout}
    return $result
}
