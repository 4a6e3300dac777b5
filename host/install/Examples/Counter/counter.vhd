-- The sample design of the host's Stratix V build flow: a free-running counter whose top four
-- bits drive four LEDs, with an active-low asynchronous reset.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity counter is
  generic (
    -- With the board's 100 MHz clock the slowest LED changes about every 0.34 s.
    WIDTH : positive := 26
  );
  port (
    clk     : in  std_logic;
    reset_n : in  std_logic;
    led     : out std_logic_vector(3 downto 0)
  );
end entity counter;

architecture rtl of counter is
  signal count : unsigned(WIDTH - 1 downto 0) := (others => '0');
begin

  counting : process (clk, reset_n)
  begin
    if reset_n = '0' then
      count <= (others => '0');
    elsif rising_edge(clk) then
      count <= count + 1;
    end if;
  end process counting;

  led <= std_logic_vector(count(WIDTH - 1 downto WIDTH - 4));

end architecture rtl;
