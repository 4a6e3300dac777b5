# The device knowledge of the stand-ins: Stratix V device names, their resources and package
# ball grids. Figures follow the family's published resource classes; where the host's device
# catalogue holds a figure (configuration memory, PLLs, DSP multipliers, user I/O) it agrees.

namespace eval ::qs::dev {
    # Member: ALMs, M20K blocks, DSP blocks, fractional PLLs, configuration bits.
    variable members {
        A3 {128300  957  256 20 213798720}
        A4 {158500 1900  256 24 213798720}
        A5 {185000 2304  256 28 269978848}
        A7 {234720 2560  256 28 269978848}
        A9 {317000 2640  352 28 342742816}
        AB {359200 2640  352 28 342742816}
        B5 {185000 2100  399 24 270528480}
        B6 {225400 2660  399 24 270528480}
        B9 {317000 2640  352 32 342742816}
        BB {359200 2640  352 32 342742816}
        D3 { 89000  688  600 20 137598720}
        D4 {135840  957 1044 20 213798720}
        D5 {172600 2014 1590 24 213798720}
        D6 {220000 2320 1775 28 296441728}
        D8 {262400 2567 1963 28 296441728}
        C5 {160400 2304  256 28 269978848}
        C7 {234720 2560  256 28 269978848}
        E9 {317000 2640  352 28 342742816}
        EB {359200 2640  352 28 342742816}
    }
    # Package: user I/O pins, ball grid (rows and columns).
    variable packages {
        H29 {360 28}
        F35 {552 34}
        H35 {432 34}
        F40 {696 39}
        H40 {696 39}
        F43 {600 42}
        H43 {600 42}
        F45 {840 44}
    }
    # Ball rows skip the letters that read like digits or each other.
    variable row_letters {A B C D E F G H J K L M N P R T U V W Y}
}

# Splits a device name such as 5SGXEA7N2F45C2 (a trailing N or other ordering suffix may stay)
# into a dict: name, member, package, temperature, speed, and the member's and package's
# figures. Answers an empty dict for a name that is not a Stratix V device.
proc ::qs::dev::parse {name} {
    variable members
    variable packages
    set upper [string toupper [string trim $name]]
    if {![regexp {^5S(?:G[XST][EMB]|E[EM]?)([A-E][0-9B])(?:[A-Z][0-9])?([FH][0-9]{2})([CIM])([1-4])(?:L|ES|LES)?N?$} \
            $upper -> member package temperature speed]} {
        return {}
    }
    if {![dict exists $members $member] || ![dict exists $packages $package]} { return {} }
    lassign [dict get $members $member] alms m20k dsp plls config_bits
    lassign [dict get $packages $package] io grid
    return [dict create name $upper member $member package $package temperature $temperature \
        speed $speed alms $alms registers [expr {4 * $alms}] m20k $m20k \
        memory_bits [expr {$m20k * 20480}] dsp $dsp plls $plls config_bits $config_bits \
        io $io grid $grid]
}

# The name of ball row `index` (0 is row A).
proc ::qs::dev::row_name {index} {
    variable row_letters
    if {$index < 20} { return [lindex $row_letters $index] }
    return "[lindex $row_letters [expr {$index / 20 - 1}]][lindex $row_letters [expr {$index % 20}]]"
}

proc ::qs::dev::row_index {name} {
    variable row_letters
    set name [string toupper $name]
    if {[string length $name] == 1} { return [lsearch -exact $row_letters $name] }
    if {[string length $name] != 2} { return -1 }
    set hi [lsearch -exact $row_letters [string index $name 0]]
    set lo [lsearch -exact $row_letters [string index $name 1]]
    if {$hi < 0 || $lo < 0} { return -1 }
    return [expr {($hi + 1) * 20 + $lo}]
}

# A location such as PIN_AW35 or AW35 as {row column} inside the package's grid, or empty.
proc ::qs::dev::ball {device location} {
    if {![regexp -nocase {^(?:PIN_)?([A-Z]{1,2})([0-9]{1,2})$} $location -> row column]} { return {} }
    set r [row_index $row]
    set grid [dict get $device grid]
    scan $column %d c
    if {$r < 0 || $r >= $grid || $c < 1 || $c > $grid} { return {} }
    return [list $r $c]
}

proc ::qs::dev::ball_name {device row column} {
    return "PIN_[row_name $row]$column"
}

# The I/O bank of a ball: banks 3 and 4 along the bottom edge, 7 and 8 along the top, each
# edge split in half; sub-banks A to D by distance from the corner.
proc ::qs::dev::bank {device row column} {
    set grid [dict get $device grid]
    set half [expr {$grid / 2}]
    set bottom [expr {$row >= $half}]
    set left [expr {$column <= $half}]
    set number [expr {$bottom ? ($left ? 3 : 4) : ($left ? 8 : 7)}]
    set edge [expr {$bottom ? $grid - 1 - $row : $row}]
    set sub [lindex {A B C D} [expr {min(3, $edge * 4 / max(1, $half))}]]
    return "$number$sub"
}

# Speed grade 1 is the fastest; each grade adds about a seventh to every delay.
proc ::qs::dev::delay_factor {device} {
    return [expr {1.0 + 0.14 * ([dict get $device speed] - 2)}]
}

# The family's core voltage, as the timing models name their corners.
proc ::qs::dev::core_millivolts {device} {
    return [expr {[regexp {[CIM][1-4]L} [dict get $device name]] ? 850 : 900}]
}
