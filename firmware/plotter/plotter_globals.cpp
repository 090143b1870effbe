#include "plotter/plotter_globals.h"

int save_data[kSaveDataSize];
volatile int figure_start;
bool figure_cut;
volatile int usart_count;
int Count_Straight;
int laser_check[kLaserMarkers];
volatile int x_goal, y_goal;
volatile int x_cur, y_cur;
volatile std::uint8_t x_dir = 3, y_dir = 3;
volatile std::uint8_t check_flag;
volatile std::uint8_t move_flag;
volatile std::uint8_t axes_moving;
