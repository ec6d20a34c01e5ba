// User-tunable values shared by the passes that include this header.
#pragma parameter SHARPNESS "Sharpness" 0.5 0.0 2.0 0.05
#pragma parameter GAMMA_OUT "Output gamma" 2.2 1.0 3.0 0.1
#ifdef PARAMETER_UNIFORM
uniform float SHARPNESS;
uniform float GAMMA_OUT;
#else
#define SHARPNESS 0.5
#define GAMMA_OUT 2.2
#endif
