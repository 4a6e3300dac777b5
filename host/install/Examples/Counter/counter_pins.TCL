# Pins and clock of the counter on the board's first device, a 5SGXEA7N2F45C2N (package F45).
# The build adds this document to the Quartus project it makes.

set_location_assignment PIN_AJ27 -to clk
set_location_assignment PIN_AB24 -to reset_n
set_location_assignment PIN_AW37 -to led[0]
set_location_assignment PIN_AV37 -to led[1]
set_location_assignment PIN_BB36 -to led[2]
set_location_assignment PIN_BA35 -to led[3]

set_instance_assignment -name IO_STANDARD "2.5 V" -to clk
set_instance_assignment -name IO_STANDARD "2.5 V" -to reset_n
set_instance_assignment -name IO_STANDARD "2.5 V" -to led[*]

# The board's oscillator runs at 100 MHz.
create_base_clock -fmax "100 MHz" -target clk clk
