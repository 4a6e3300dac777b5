# quartus_asm, the Assembler: turns the placed design into the raw bit file that configures the
# device, in the layout the simulated host's devices read (see host/jtag/ConfigStream.h): 32
# bytes of 0xFF, the "MRBF" header with the JTAG user code, the payload length and CRC-32s,
# then the payload.
#
# The payload is configuration frames of 64 bytes (a 4-byte frame address, 60 data bytes):
# frames of the logic the design uses and of its pins carry data derived from the design,
# the rest are empty. Compression deflates the payload. The uncompressed file has a fixed size
# per device: the device's configuration memory divided by MORVEL_QUARTUS_RBF_SCALE (256 unless
# set; 1 gives files of the real size), so that simulated downloads stay quick.

namespace eval ::qs::asm {
    variable help {quartus_asm: Assembler

Usage: quartus_asm PROJECT [--rev=REVISION] [--set=NAME=VALUE]...

Writes the raw bit file PROJECT.rbf of the placed design of quartus_fit and PROJECT.asm.rpt.
The JTAG user code comes from STRATIX_JTAG_USER_CODE (hexadecimal, default FFFFFFFF), or is
the payload's checksum with USE_CHECKSUM_AS_USERCODE ON. With
--set=ON_CHIP_BITSTREAM_DECOMPRESSION=ON the bit stream is compressed.

Options:
  --rev=REVISION        the revision to process (default: the project's first)
  --set=NAME=VALUE      a global assignment for this run only
  --help, --version

Exit status: 0 on success, 2 for a command-line error, 3 for errors.
MORVEL_REPLAY_QUARTUS_ASM=FILE writes FILE as the report instead of the tool's own;
MORVEL_QUARTUS_RBF_SCALE=N divides the size of the raw bit file (default 256, 1 = real size).}

    variable frame_bytes 64
}

proc ::qs::asm::main {argv} {
    variable help
    return [::qs::project_tool quartus_asm Assembler asm $argv {} $help ::qs::asm::run]
}

# "00C0FFEE", "0x00C0FFEE", "$C0FFEE": the code; raises an error for anything else.
proc ::qs::asm::parse_user_code {text} {
    set t [string trim $text]
    if {[string index $t 0] eq "\$"} { set t [string range $t 1 end] }
    if {[string match -nocase 0x* $t]} { set t [string range $t 2 end] }
    if {![regexp {^[0-9A-Fa-f]{1,8}$} $t]} {
        error "JTAG user code \"$text\" is not a hexadecimal number of up to 8 digits"
    }
    scan $t %x value
    return $value
}

proc ::qs::asm::scale {} {
    global env
    if {[info exists env(MORVEL_QUARTUS_RBF_SCALE)]} {
        set s $env(MORVEL_QUARTUS_RBF_SCALE)
        if {[string is integer -strict $s] && $s >= 1 && $s <= 65536} { return $s }
        ::qs::warning "MORVEL_QUARTUS_RBF_SCALE=$s is not a whole number from 1 to 65536: the default 256 is used"
    }
    return 256
}

# The configuration frames of the design; the same design always gives the same bytes.
proc ::qs::asm::payload {device fitted} {
    variable frame_bytes
    set total [expr {[dict get $device config_bits] / 8 / [scale]}]
    set frames [expr {max(64, $total / $frame_bytes)}]
    set io_frames [expr {max(8, $frames / 16)}]
    set core [expr {$frames - $io_frames}]
    set seed [dict get $fitted fingerprint]
    set alms [dict get $fitted resources placed]
    set used [expr {$alms == 0 ? 0 : min($core, max(1, ($alms + 7) / 8))}]
    set start [expr {$used == 0 ? 0 : $seed % ($core - $used + 1)}]
    set data {}
    # Pin frames: ball position, I/O standard and direction of each pin.
    foreach row [lsort -index 0 [dict get $fitted pins]] {
        lassign $row name dir ball bank std assigned r c
        set f [expr {$core + ($r * [dict get $device grid] + $c) % $io_frames}]
        set words [list [expr {($r << 24) | ($c << 16) | ([::qs::crc $std] & 0xFF00) | [dict get {in 1 out 2 inout 3} $dir]}]]
        for {set i 1} {$i < 15} {incr i} { lappend words [::qs::crc "$seed:$name:$i"] }
        dict set data $f [binary format i15 $words]
    }
    set empty [binary format x60]
    set out {}
    for {set f 0} {$f < $frames} {incr f} {
        if {$f >= $start && $f < $start + $used} {
            set words {}
            for {set i 0} {$i < 15} {incr i} { lappend words [::qs::crc "$seed:$f:$i"] }
            lappend out [binary format ii15 $f $words]
        } elseif {[dict exists $data $f]} {
            lappend out [binary format i $f][dict get $data $f]
        } else {
            lappend out [binary format i $f]$empty
        }
    }
    return [join $out ""]
}

proc ::qs::asm::raw_bit_file {user_code payload} {
    set head [binary format a4cx3iii MRBF 1 $user_code [string length $payload] [zlib crc32 $payload]]
    return "[binary format c32 [lrepeat 32 255]]$head[binary format i [zlib crc32 $head]]$payload"
}

proc ::qs::asm::run {} {
    set a $::qs::args
    set project [::qs::open_project [dict get $a project] [dict get $a rev] [dict get $a set]]
    set rbf [::qs::out_path $project .rbf]
    ::qs::remove_file $rbf
    ::qs::remove_file [::qs::out_path $project .asm.rpt]
    set fitted [::qs::db_read $project fit "the Fitter (quartus_fit)"]
    set device [::qs::dev::parse [dict get $fitted device]]
    set compress [::qs::is_on [::qs::assigned $project ON_CHIP_BITSTREAM_DECOMPRESSION Off]]
    set checksum_code [::qs::is_on [::qs::assigned $project USE_CHECKSUM_AS_USERCODE Off]]
    set code_text [::qs::assigned $project STRATIX_JTAG_USER_CODE FFFFFFFF]
    if {[catch {parse_user_code $code_text} user_code]} {
        ::qs::fail $user_code 115004
    }
    set generate [::qs::assigned $project GENERATE_RBF_FILE On]
    ::qs::inform "Assembler is generating device programming files" 115030
    set payload [payload $device $fitted]
    set checksum [zlib crc32 $payload]
    if {$checksum_code} { set user_code $checksum }
    set written {}
    if {[::qs::is_on $generate]} {
        set stream [expr {$compress ? [zlib deflate $payload 9] : $payload}]
        set bytes [raw_bit_file $user_code $stream]
        ::qs::write_file $rbf $bytes 1
        set kind [expr {$compress ? "compressed" : "uncompressed"}]
        ::qs::inform "Wrote raw binary file [file tail $rbf]: [::qs::grouped [string length $bytes]] bytes, $kind, JTAG user code [format 0x%08X $user_code]" 115031
        lappend written [list [file tail $rbf] [string length $bytes] [string length $stream]]
    } else {
        ::qs::warning "No raw binary file was written: GENERATE_RBF_FILE is $generate" 115032
    }
    write_report $project $device $fitted $user_code $checksum $compress $checksum_code $written
}

proc ::qs::asm::write_report {project device fitted user_code checksum compress checksum_code written} {
    set on_off {Off On}
    set summary [list \
        [list "Assembler Status" "Successful - [::qs::timestamp]"] \
        [list "Revision Name" [dict get $project revision]] \
        [list "Top-level Entity Name" [dict get $fitted top]] \
        [list Family "Stratix V"] \
        [list Device [dict get $device name]]]
    set settings [list \
        [list "Use checksum as JTAG user code" [lindex $on_off $checksum_code] Off] \
        [list "JTAG user code for target device" [format 0x%08X $user_code] 0xFFFFFFFF] \
        [list "On-chip bitstream decompression" [lindex $on_off $compress] Off] \
        [list "Configuration scheme" [::qs::assigned $project STRATIXV_CONFIGURATION_SCHEME "Passive Serial"] "Passive Serial"] \
        [list "Generate Raw Binary File (.rbf) For Target Device" [::qs::assigned $project GENERATE_RBF_FILE On] Off]]
    set panels [list \
        "Legal Notice" [::qs::legal_notice] \
        "Assembler Summary" [::qs::table "Assembler Summary" {} $summary] \
        "Assembler Settings" [::qs::table "Assembler Settings" {Option Setting {Default Value}} $settings]]
    if {[llength $written] > 0} {
        lappend panels "Assembler Generated Files" [::qs::table "Assembler Generated Files" {{File Name}} \
            [lmap w $written {list [lindex $w 0]}]]
        foreach w $written {
            lassign $w name size stream
            set title "Assembler Device Options: $name"
            lappend panels $title [::qs::table $title {Option Setting} [list \
                [list Device [dict get $device name]] \
                [list "JTAG usercode" [format 0x%08X $user_code]] \
                [list Checksum [format 0x%08X $checksum]] \
                [list Compression [lindex $on_off $compress]] \
                [list "Bit stream bytes" [::qs::grouped $stream]] \
                [list "File bytes" [::qs::grouped $size]]]]
        }
    }
    ::qs::inform "Writing report [dict get $project out].asm.rpt" 21005
    lappend panels "Assembler Messages" [::qs::messages_panel "Assembler Messages"]
    ::qs::write_report asm [::qs::out_path $project .asm.rpt] [::qs::report Assembler $project $panels]
}
