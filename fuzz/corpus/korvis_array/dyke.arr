10. 0. -95. 0. 20 6          dX, dZ, X0, Z0, nPos, nSpac
0. 0. 0. 0. 0. 1 0           XA, ZA, XB, ZB, XMN, keyArr, iDir
10. 20. 40. 60. 100. 150.    spacings
